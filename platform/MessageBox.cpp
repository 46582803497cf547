#include "MessageBox.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace platform {

MsgBoxResult QtMessageBox::AskYesNo(QWidget* parent, const QString& prompt, const QString& title)
{
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Yes | QMessageBox::No, parent);
    const std::pair<QMessageBox::StandardButton, const char16_t*> texts[] = {
        {QMessageBox::Yes, u"はい"}, {QMessageBox::No, u"いいえ"}};
    for (const auto& [button, text] : texts) {
        box.button(button)->setText(QString::fromUtf16(text));
        box.button(button)->setIcon(QIcon()); // text only, whatever the style would add
    }
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    // Wide enough that the window manager shows the whole title: its text
    // in the title bar's font, and room for the frame's icon and buttons.
    const QFontMetrics titleFont(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(titleFont.horizontalAdvance(title) + 6 * titleFont.height(),
                                      0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box.exec() == QMessageBox::Yes ? MsgBoxResult::Yes : MsgBoxResult::No;
}

} // namespace platform
