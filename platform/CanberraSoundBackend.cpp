#include "CanberraSoundBackend.h"

#include <QFile>

#include <canberra.h>

namespace platform {

namespace {

QString CanberraError(int code)
{
    return QString::fromUtf8(ca_strerror(code));
}

} // namespace

CanberraSoundBackend::CanberraSoundBackend() = default;

CanberraSoundBackend::~CanberraSoundBackend()
{
    if (m_context != nullptr)
        ca_context_destroy(m_context);
}

bool CanberraSoundBackend::EnsureContext(QString* error)
{
    if (m_context != nullptr)
        return true;
    int result = ca_context_create(&m_context);
    if (result == CA_SUCCESS) {
        result = ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "pi-coins",
                                         CA_PROP_APPLICATION_ID, "pi-coins", nullptr);
    }
    if (result != CA_SUCCESS) {
        if (m_context != nullptr)
            ca_context_destroy(m_context);
        m_context = nullptr;
        if (error != nullptr)
            *error = CanberraError(result);
        return false;
    }
    return true;
}

bool CanberraSoundBackend::Start(const QString& path, QString* error)
{
    if (!EnsureContext(error))
        return false;
    const QByteArray file = QFile::encodeName(path);
    // Each cue gets its own id so that Stop() cancels exactly the last one.
    ++m_playId;
    const int result = ca_context_play(m_context, m_playId, CA_PROP_MEDIA_FILENAME,
                                       file.constData(), CA_PROP_MEDIA_ROLE, "event",
                                       CA_PROP_CANBERRA_CACHE_CONTROL, "never", nullptr);
    m_playing = result == CA_SUCCESS;
    if (!m_playing) {
        if (error != nullptr)
            *error = CanberraError(result);
        // A broken connection (the server went away) is made anew next time.
        if (result == CA_ERROR_DISCONNECTED || result == CA_ERROR_FORKED) {
            ca_context_destroy(m_context);
            m_context = nullptr;
        }
    }
    return m_playing;
}

void CanberraSoundBackend::Stop()
{
    if (m_context == nullptr || !m_playing)
        return;
    ca_context_cancel(m_context, m_playId);
    m_playing = false;
}

} // namespace platform
