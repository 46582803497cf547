#include "MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace platform {

MsgBoxResult QtMessageBox::AskYesNo(QWidget* parent, const QString& prompt, const QString& title)
{
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MsgBoxResult::Yes : MsgBoxResult::No;
}

} // namespace platform
