#include "window/Form1.h"

#include "experiment/BoardGeometry.h"
#include "experiment/Experiment.h"
#include "platform/BoardCanvas.h"
#include "platform/RunRecord.h"
#include "platform/WindowSystem.h"
#include "platform/sound/MMControl.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLoggingCategory>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QWindow>

#include <algorithm>
#include <utility>

Q_LOGGING_CATEGORY(lcWindow, "pi-coins.window", QtWarningMsg)

namespace window {

namespace {

// Places and sizes are kept in twips, the unit of the layout; at 96 dots
// per inch a pixel is 15 twips. Qt scales logical pixels on denser screens.
constexpr int Px(int twips)
{
    return (twips + 7) / 15;
}

constexpr QRect TwipRect(int left, int top, int width, int height)
{
    return {Px(left), Px(top), Px(width), Px(height)};
}

struct ButtonLayout
{
    int number;
    const char16_t* caption;
    QRect geometry;
    double pointSize;
};

constexpr ButtonLayout kButtons[] = {
    {1, u"10個", TwipRect(360, 7440, 988, 615), 12.0},
    {2, u"100個", TwipRect(1560, 7440, 1086, 615), 12.0},
    {3, u"1000個", TwipRect(2760, 7440, 1185, 615), 12.0},
    {4, u"10000個", TwipRect(4080, 7440, 1284, 615), 12.0},
    {5, u"終了", TwipRect(960, 8760, 1095, 495), 14.25},
    {6, u"初期化", TwipRect(6960, 7440, 1284, 615), 12.0},
    {7, u"50000個", TwipRect(5520, 7440, 1284, 615), 12.0},
};

struct LabelLayout
{
    int number;
    const char16_t* text;
    QRect geometry;
    double pointSize;
    bool bold;
};

constexpr LabelLayout kLabels[] = {
    {1, u"π＝", TwipRect(3480, 8640, 615, 375), 14.25, true},
    {2, u"", TwipRect(4200, 8640, 1935, 375), 14.25, true},
    {3, u"格子点と重なったコインの個数＝", TwipRect(480, 8280, 3615, 255), 12.0, true},
    {4, u"", TwipRect(4200, 8280, 1575, 255), 12.0, true},
    {5, kWindowTitle, TwipRect(1200, 240, 6495, 375), 15.75, true},
    {6, kCreditLine, TwipRect(4680, 9000, 2775, 255), 11.25, false},
};

constexpr QRect kClientArea = TwipRect(5370, 1020, 8550, 9540);
constexpr QRect kPicture1Geometry = TwipRect(360, 720, 7900, 6588);
constexpr QRect kPicture2Geometry = TwipRect(7440, 8760, 630, 615);

constexpr auto kBoardDescription = u"格子とコインを描く盤";
constexpr auto kClassicGothic = u"ＭＳ Ｐゴシック";

QString Text(const char16_t* text)
{
    return QString::fromUtf16(text);
}

// The frog at every size the desktop asks for; 32 x 32 is the one drawn
// for it, the others are rendered from the same drawing.
QIcon WindowIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/pi-coins/frog-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

QFont ControlFont(double pointSize, bool bold)
{
    // A system without the classic Japanese Gothic (Windows without its
    // Japanese fonts, Wine) uses the one kept beside the program, if any;
    // they are looked for once, at the first font asked for. They are read
    // by Qt and handed over as data: the system's own font loading takes
    // file names in the local code page, which cannot name every folder.
    [[maybe_unused]] static const bool looked = [] {
        if (!QFontDatabase::hasFamily(Text(kClassicGothic))) {
            const QDir fonts(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
            for (const QString& name : fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files)) {
                QFile file(fonts.filePath(name));
                if (file.open(QIODevice::ReadOnly))
                    QFontDatabase::addApplicationFontFromData(file.readAll());
            }
        }
        return true;
    }();
    QFont font;
    font.setFamilies(
        {Text(kClassicGothic), QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

bool HaveJapaneseFont()
{
    const QFontMetrics metrics(ControlFont(12.0, true));
    // The resolved font must have the glyphs itself, not borrow them.
    for (const char32_t c : QStringView(kWindowTitle).toUcs4()) {
        if (!metrics.inFontUcs4(c))
            return false;
    }
    return true;
}

QPoint FittedFramePosition(QRect frame, QRect available)
{
    // Along each axis: kept where it lies inside, else moved just inside.
    const auto fit = [](int start, int length, int areaStart, int areaLength) {
        if (length > areaLength)
            return areaStart;
        return std::clamp(start, areaStart, areaStart + areaLength - length);
    };
    return {fit(frame.left(), frame.width(), available.left(), available.width()),
            fit(frame.top(), frame.height(), available.top(), available.height())};
}

Form1::Form1(Services services, QWidget* parent) : QWidget(parent), m_services(std::move(services))
{
    if (!m_services.messageBox)
        m_services.messageBox = std::make_unique<platform::QtMessageBox>();
    if (!m_services.random)
        m_services.random = std::make_unique<platform::RandomGenerator>();

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(Text(kWindowTitle));
    setWindowIcon(WindowIcon());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setGeometry(kClientArea);

    CreateControls();
    WireEvents();

    // Where the focus goes decides whether the exit question hands the
    // activation back as it closes.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        using Focus = QuestionHandBack::Focus;
        m_handBack.FocusMoved(focus == nullptr          ? Focus::Elsewhere
                              : focus == windowHandle() ? Focus::Window
                                                        : Focus::OtherWindow);
    });
}

Form1::~Form1() = default;

void Form1::CreateControls()
{
    // Created in tab order, so that the focus chain needs no repair.
    m_picture1 = new platform::BoardCanvas(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setGeometry(kPicture1Geometry);
    m_picture1->setAccessibleName(QStringLiteral("盤面"));
    m_picture1->setAccessibleDescription(Text(kBoardDescription));

    m_mmControl1 = new platform::MMControl(std::move(m_services.sound), this);
    m_mmControl1->setObjectName(QStringLiteral("MMControl1"));

    for (const LabelLayout& entry : kLabels) {
        auto* label = new QLabel(Text(entry.text), this);
        label->setObjectName(QStringLiteral("Label%1").arg(entry.number));
        label->setGeometry(entry.geometry);
        label->setFont(ControlFont(entry.pointSize, entry.bold));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setTextFormat(Qt::PlainText);
        label->setBackgroundRole(QPalette::Button);
        label->setForegroundRole(QPalette::ButtonText);
        label->setAutoFillBackground(true);
        label->setFocusPolicy(Qt::NoFocus);
        m_labels[entry.number - 1] = label;
    }

    for (const ButtonLayout& entry : kButtons) {
        auto* button = new QPushButton(Text(entry.caption), this);
        button->setObjectName(QStringLiteral("Command%1").arg(entry.number));
        button->setGeometry(entry.geometry);
        button->setFont(ControlFont(entry.pointSize, true));
        button->setFocusPolicy(Qt::StrongFocus);
        // Enter presses the focused button; outside a dialog there is no
        // window default button for it to become.
        button->setAutoDefault(true);
        button->setDefault(false);
        m_commands[entry.number - 1] = button;
    }

    m_picture2 = new QLabel(this);
    m_picture2->setObjectName(QStringLiteral("Picture2"));
    m_picture2->setGeometry(kPicture2Geometry);
    m_picture2->setPixmap(QPixmap(QStringLiteral(":/pi-coins/emblem.jpg")));
    m_picture2->setBackgroundRole(QPalette::Window);
    m_picture2->setForegroundRole(QPalette::WindowText);
    m_picture2->setFocusPolicy(Qt::NoFocus);
    m_picture2->setAccessibleName(QStringLiteral("エンブレム"));

    m_picture1->setFocus(Qt::OtherFocusReason);
    // Screen readers read each value with its caption.
    m_labels[0]->setBuddy(m_labels[1]);
    m_labels[2]->setBuddy(m_labels[3]);

    m_experiment =
        std::make_unique<experiment::Experiment>(*m_picture1, *m_mmControl1, *m_services.random);
    if (m_services.seed)
        m_experiment->FixSeeds(*m_services.seed);
}

void Form1::WireEvents()
{
    connect(m_commands[0], &QPushButton::clicked, this, &Form1::Command1Click);
    connect(m_commands[1], &QPushButton::clicked, this, &Form1::Command2Click);
    connect(m_commands[2], &QPushButton::clicked, this, &Form1::Command3Click);
    connect(m_commands[3], &QPushButton::clicked, this, &Form1::Command4Click);
    connect(m_commands[4], &QPushButton::clicked, this, &Form1::Command5Click);
    connect(m_commands[5], &QPushButton::clicked, this, &Form1::Command6Click);
    connect(m_commands[6], &QPushButton::clicked, this, &Form1::Command7Click);
    connect(m_experiment.get(), &experiment::Experiment::Finished, this, &Form1::ShowResults);
    // Whichever control has the focus: no control of the window copies.
    connect(new QShortcut(QKeySequence::Copy, this), &QShortcut::activated, this,
            &Form1::CopyBoard);
}

bool Form1::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        // The exit question handing the activation back as it closes is not
        // the window being activated: the board stays as it was.
        if (m_handBack.IsUsersActivation())
            Form1Activate();
    } else if (event->type() == QEvent::Show && !m_shownOnce) {
        // Without a window manager the first showing never activates the
        // window; the board must still show its grid from the start.
        m_shownOnce = true;
        FitOnScreen();
        if (!isActiveWindow())
            Form1Activate();
    }
    return QWidget::event(event);
}

void Form1::FitOnScreen()
{
    const QScreen* screen = QGuiApplication::screenAt(geometry().center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || windowHandle() == nullptr)
        return;
    // The frame is known before the window is shown on Windows; on X11 it
    // comes later, from the window manager: a title bar is reckoned with.
    QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull())
        frame.setTop(style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const QRect outer = geometry().marginsAdded(frame);
    const QPoint fitted = FittedFramePosition(outer, screen->availableGeometry());
    if (fitted != outer.topLeft())
        setGeometry(QRect(fitted + QPoint(frame.left(), frame.top()), size()));
}

void Form1::Form1Activate()
{
    qCDebug(lcWindow) << "activated: grid drawn";
    experiment::DrawBoardGrid(*m_picture1);
}

void Form1::ShowResults(int coinCount, int hitCount, const QString& estimate, std::uint32_t seed)
{
    m_labels[1]->setText(estimate);
    m_labels[3]->setText(QString::number(hitCount));
    m_picture1->setAccessibleDescription(
        QStringLiteral("%1個のコインのうち%2個が格子点と重なりました。π＝%3")
            .arg(coinCount)
            .arg(hitCount)
            .arg(estimate));
    // Recorded once the board is drawn: the repaint the run asked for comes
    // first in the event queue, and no input is taken before either.
    if (m_services.record) {
        QMetaObject::invokeMethod(
            this,
            [this, coinCount, hitCount, estimate, seed] {
                m_services.record->Append(coinCount, hitCount, estimate, seed);
            },
            Qt::QueuedConnection);
    }
}

void Form1::CopyBoard()
{
    auto* data = new QMimeData;
    data->setImageData(m_picture1->Board().Image());
    data->setText(m_picture1->accessibleDescription());
    QGuiApplication::clipboard()->setMimeData(data);
}

void Form1::Command1Click()
{
    m_experiment->RunExperiment(10);
}

void Form1::Command2Click()
{
    m_experiment->RunExperiment(100);
}

void Form1::Command3Click()
{
    m_experiment->RunExperiment(1000);
}

void Form1::Command4Click()
{
    m_experiment->RunExperiment(10000);
}

void Form1::Command7Click()
{
    m_experiment->RunExperiment(50000);
}

void Form1::Command6Click()
{
    qCDebug(lcWindow) << "initialized";
    m_picture1->Cls();
    m_labels[1]->setText(QString());
    m_labels[3]->setText(QString());
    experiment::DrawBoardGrid(*m_picture1);
    m_picture1->setAccessibleDescription(Text(kBoardDescription));
}

void Form1::Command5Click()
{
    platform::PlaySoundCue(*m_mmControl1, QStringLiteral("endpinpon.wav"));
    m_handBack.QuestionOpened();
    const platform::MsgBoxResult answer =
        m_services.messageBox->AskYesNo(this, Text(kExitPrompt), Text(kExitTitle));
    m_handBack.QuestionClosed(platform::ActivationIsHandedBack());
    qCDebug(lcWindow) << "exit answered" << (answer == platform::MsgBoxResult::Yes ? "yes" : "no");
    if (answer != platform::MsgBoxResult::Yes)
        return;
    hide();
    Q_EMIT Unloaded();
}

} // namespace window
