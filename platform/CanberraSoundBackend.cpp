#include "platform/CanberraSoundBackend.h"

#include "platform/CueFiles.h"
#include "platform/MMControl.h"

#include <QSet>

#include <canberra.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

// What the window and the player thread share: the latest request (a cue
// to play, or none to stop) and whether the thread is to end or has ended.
struct CanberraSoundBackend::Mailbox
{
    std::mutex mutex;
    std::condition_variable changed;
    bool pending = false;
    std::shared_ptr<const CueFile> cue;
    bool quit = false;
    bool finished = false;
};

namespace {

// The player thread: it alone talks to the sound server.
void RunPlayer(const std::shared_ptr<CanberraSoundBackend::Mailbox>& mailbox)
{
    ca_context* context = nullptr;
    std::uint32_t id = 0; // each cue its own, so that a cancel stops exactly the last one
    QSet<QString> warned;
    const auto disconnect = [&] {
        if (context != nullptr)
            ca_context_destroy(context); // silences what still sounds
        context = nullptr;
    };
    // The cue is played by its open descriptor, so what plays is what was checked.
    const auto play = [&](const CueFile& cue) -> int {
        if (context == nullptr) {
            if (const int created = ca_context_create(&context); created != CA_SUCCESS)
                return created;
            ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "pi-coins",
                                    CA_PROP_APPLICATION_ID, "pi-coins", nullptr);
        }
        const QByteArray path = "/proc/self/fd/" + QByteArray::number(cue.Descriptor());
        return ca_context_play(context, ++id, CA_PROP_MEDIA_FILENAME, path.constData(),
                               CA_PROP_MEDIA_ROLE, "event", CA_PROP_CANBERRA_CACHE_CONTROL, "never",
                               nullptr);
    };

    std::unique_lock lock(mailbox->mutex);
    for (;;) {
        mailbox->changed.wait(lock, [&] { return mailbox->quit || mailbox->pending; });
        if (mailbox->quit)
            break;
        const std::shared_ptr<const CueFile> cue = std::move(mailbox->cue);
        mailbox->pending = false;
        lock.unlock();
        if (context != nullptr)
            ca_context_cancel(context, id);
        int result = cue ? play(*cue) : CA_SUCCESS;
        if (result != CA_SUCCESS) {
            // A server that died or was restarted leaves the connection failing
            // every later cue: it is made anew, once for this cue.
            disconnect();
            result = play(*cue);
        }
        lock.lock();
        if (result == CA_SUCCESS || mailbox->quit)
            continue;
        WarnOnce(warned, QStringLiteral("sound cue %1 cannot be played: %2")
                             .arg(cue->Path(), QString::fromUtf8(ca_strerror(result))));
    }
    lock.unlock();
    disconnect();
    lock.lock();
    mailbox->finished = true;
    mailbox->changed.notify_all();
}

} // namespace

CanberraSoundBackend::CanberraSoundBackend()
    : m_mailbox(std::make_shared<Mailbox>()), m_thread(RunPlayer, m_mailbox)
{}

CanberraSoundBackend::~CanberraSoundBackend()
{
    std::unique_lock lock(m_mailbox->mutex);
    m_mailbox->quit = true;
    m_mailbox->changed.notify_all();
    const bool ended = m_mailbox->changed.wait_for(lock, std::chrono::milliseconds(500),
                                                   [this] { return m_mailbox->finished; });
    lock.unlock();
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
}

void CanberraSoundBackend::Play(std::shared_ptr<const CueFile> cue)
{
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->cue = std::move(cue);
    m_mailbox->pending = true;
    m_mailbox->changed.notify_all();
}

} // namespace platform
