#pragma once

#include <QString>

class QWidget;

namespace platform {

// The answer codes of a Yes/No question, as message boxes number them.
enum class MsgBoxResult
{
    Yes = 6,
    No = 7
};

// Asks the user a modal Yes/No question. An interface so that a window's
// confirmations can be answered in tests without a blocking dialog.
class MessageBox
{
public:
    virtual ~MessageBox() = default;

    // Shows `prompt` under `title` with the buttons Yes and No, Yes being
    // the default, and no icon. Closing the box without choosing is No.
    virtual MsgBoxResult AskYesNo(QWidget* parent, const QString& prompt, const QString& title) = 0;
};

// The window system's own message box, with Japanese button texts.
class QtMessageBox final : public MessageBox
{
public:
    MsgBoxResult AskYesNo(QWidget* parent, const QString& prompt, const QString& title) override;
};

} // namespace platform
