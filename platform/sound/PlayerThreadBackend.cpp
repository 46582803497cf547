#include "platform/sound/PlayerThreadBackend.h"

#include "platform/sound/CueFile.h"
#include "platform/sound/SoundLog.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>

namespace platform {

// What the caller and the player thread share: the latest request (a cue
// to play, or none to stop) and whether the thread is to end or has ended.
struct PlayerThreadBackend::Mailbox
{
    std::mutex mutex;
    std::condition_variable changed;
    bool pending = false;
    std::shared_ptr<const CueFile> cue;
    bool quit = false;
    bool finished = false;
};

namespace {

void RunPlayer(const std::shared_ptr<PlayerThreadBackend::Mailbox>& mailbox,
               const std::function<std::unique_ptr<CueDevice>()>& makeDevice)
{
    // Memory that runs out here silences a cue, said once; it never ends
    // the program.
    QSet<QString> warned;
    std::unique_ptr<CueDevice> device;
    try {
        device = makeDevice();
    } catch (const std::bad_alloc&) {
        WarnOnce(warned, QStringLiteral("sound cues stay silent: no memory for the player"));
    }
    std::unique_lock lock(mailbox->mutex);
    for (;;) {
        mailbox->changed.wait(lock, [&] { return mailbox->quit || mailbox->pending; });
        if (mailbox->quit)
            break;
        const std::shared_ptr<const CueFile> cue = std::move(mailbox->cue);
        mailbox->pending = false;
        lock.unlock();
        QString problem;
        try {
            if (device && cue)
                problem = device->Play(*cue);
            else if (device)
                device->Stop();
        } catch (const std::bad_alloc&) {
            problem = QStringLiteral("no memory to play it");
        }
        if (cue && !problem.isEmpty())
            WarnOnce(warned,
                     QStringLiteral("sound cue %1 cannot be played: %2").arg(cue->Path(), problem));
        lock.lock();
    }
    lock.unlock();
    device.reset(); // silences what still sounds
    lock.lock();
    mailbox->finished = true;
    mailbox->changed.notify_all();
}

} // namespace

PlayerThreadBackend::PlayerThreadBackend(std::function<std::unique_ptr<CueDevice>()> makeDevice)
    : m_mailbox(std::make_shared<Mailbox>())
{
    try {
        m_thread = std::thread(RunPlayer, m_mailbox, std::move(makeDevice));
    } catch (const std::system_error& error) {
        qCWarning(lcSound).noquote()
            << QStringLiteral("sound cues stay silent: no player thread (%1)")
                   .arg(QString::fromLocal8Bit(error.what()));
    }
}

PlayerThreadBackend::~PlayerThreadBackend()
{
    if (!m_thread.joinable())
        return;
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

void PlayerThreadBackend::Play(std::shared_ptr<const CueFile> cue)
{
    if (!m_thread.joinable())
        return;
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->cue = std::move(cue);
    m_mailbox->pending = true;
    m_mailbox->changed.notify_all();
}

} // namespace platform
