#include "platform/CanberraSoundBackend.h"

#include "platform/CueFiles.h"
#include "platform/MMControl.h"

#include <QByteArray>
#include <QSet>
#include <QString>

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

// The sound server connection; used on the player thread only.
class Player
{
public:
    ~Player() { Disconnect(); }

    void Stop()
    {
        if (m_context != nullptr)
            ca_context_cancel(m_context, m_id);
    }

    // Plays the cue by its open descriptor. A failing connection (a server
    // that died or was restarted leaves it in a state that fails every
    // later cue) is made anew once for this cue. Returns the error.
    int Play(const CueFile& cue)
    {
        Stop();
        const QByteArray path = "/proc/self/fd/" + QByteArray::number(cue.Descriptor());
        int result = PlayOnce(path);
        if (result != CA_SUCCESS) {
            Disconnect();
            result = PlayOnce(path);
        }
        return result;
    }

private:
    int PlayOnce(const QByteArray& path)
    {
        if (m_context == nullptr) {
            int result = ca_context_create(&m_context);
            if (result != CA_SUCCESS)
                return result;
            result = ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "pi-coins",
                                             CA_PROP_APPLICATION_ID, "pi-coins", nullptr);
            if (result != CA_SUCCESS)
                return result;
        }
        // Each cue gets its own id so that Stop() cancels exactly the last one.
        return ca_context_play(m_context, ++m_id, CA_PROP_MEDIA_FILENAME, path.constData(),
                               CA_PROP_MEDIA_ROLE, "event", CA_PROP_CANBERRA_CACHE_CONTROL, "never",
                               nullptr);
    }

    void Disconnect()
    {
        if (m_context != nullptr)
            ca_context_destroy(m_context);
        m_context = nullptr;
    }

    ca_context* m_context = nullptr;
    std::uint32_t m_id = 0;
};

void RunPlayer(const std::shared_ptr<CanberraSoundBackend::Mailbox>& mailbox)
{
    {
        Player player;
        QSet<QString> warned;
        std::unique_lock lock(mailbox->mutex);
        for (;;) {
            mailbox->changed.wait(lock, [&] { return mailbox->quit || mailbox->pending; });
            if (mailbox->quit)
                break;
            const std::shared_ptr<const CueFile> cue = std::move(mailbox->cue);
            mailbox->pending = false;
            lock.unlock();
            const int result = cue ? player.Play(*cue) : CA_SUCCESS;
            if (!cue)
                player.Stop();
            lock.lock();
            if (result == CA_SUCCESS || mailbox->quit)
                continue;
            const QString message = QStringLiteral("sound cue %1 cannot be played: %2")
                                        .arg(cue->Path(), QString::fromUtf8(ca_strerror(result)));
            if (!warned.contains(message))
                qCWarning(lcSound).noquote() << *warned.insert(message);
        }
    } // the connection ends here, silencing what still sounds
    const std::lock_guard lock(mailbox->mutex);
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
    Post(std::move(cue));
}

void CanberraSoundBackend::Stop()
{
    Post(nullptr);
}

void CanberraSoundBackend::Post(std::shared_ptr<const CueFile> cue)
{
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->cue = std::move(cue);
    m_mailbox->pending = true;
    m_mailbox->changed.notify_all();
}

} // namespace platform
