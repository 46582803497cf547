#include "window/QuestionHandBack.h"

#include <utility>

namespace window {

void QuestionHandBack::QuestionClosed(bool handedBack)
{
    m_asking = false;
    m_handBackDue = std::exchange(m_questionHasFocus, false) && handedBack;
}

void QuestionHandBack::FocusMoved(Focus focus)
{
    m_questionHasFocus = m_asking && focus == Focus::OtherWindow;
    // A hand-back still due goes to another window of the program that
    // takes the focus instead.
    if (focus == Focus::OtherWindow && !m_asking)
        m_handBackDue = false;
}

bool QuestionHandBack::IsUsersActivation()
{
    // The hand-back while the question closes, or after it.
    return !(std::exchange(m_handBackDue, false) || (m_asking && m_questionHasFocus));
}

} // namespace window
