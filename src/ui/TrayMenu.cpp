#include "ui/TrayMenu.h"

#include "core/Model.h"
#include "platform/Autostart.h"
#include "ui/Tray.h"

#include <QEvent>
#include <QWindow>

#include <array>

namespace quillet {

TrayMenu::TrayMenu(QWidget& window, Model& model)
    : QMenu(QStringLiteral("Popup"), &window)
    , window_(window)
    , model_(model)
{
    setObjectName(QStringLiteral("mnuTray"));
    mnuTrayRestore = addAction(QStringLiteral("&Restore"), this, &TrayMenu::mnuTrayRestore_Click);
    mnuTrayMove = addAction(QStringLiteral("&Move"), this, &TrayMenu::mnuTrayMove_Click);
    mnuTraySize = addAction(QStringLiteral("&Size"), this, &TrayMenu::mnuTraySize_Click);
    mnuTrayMinimize =
        addAction(QStringLiteral("Mi&nimize"), this, &TrayMenu::mnuTrayMinimize_Click);
    mnuTrayMaximize =
        addAction(QStringLiteral("Ma&ximize"), this, &TrayMenu::mnuTrayMaximize_Click);
    mnuTraySep = addSeparator();
    mnuTrayStartAtLogin =
        addAction(QStringLiteral("Start at &login"), this, &TrayMenu::mnuTrayStartAtLogin_Click);
    mnuTrayStartAtLogin->setCheckable(true);
    addSeparator();
    mnuTrayClose = addAction(QStringLiteral("&Close"), &window, &QWidget::close);
    // Read from the autostart entry each time: true whatever else changed it.
    connect(this, &QMenu::aboutToShow, this,
            [this] { mnuTrayStartAtLogin->setChecked(platform::startsAtLogin()); });
    window.installEventFilter(this);
}

qint16 TrayMenu::windowStateValue() const
{
    const Qt::WindowStates s = window_.windowState();
    if (s.testFlag(Qt::WindowMinimized))
        return 1;
    if (s.testFlag(Qt::WindowMaximized))
        return 2;
    return 0;
}

void TrayMenu::SetTrayMenuItems(const qint16& window_state)
{
    struct Row {
        bool restore, move, size, minimize, maximize;
    };
    static constexpr std::array<Row, 3> rows = {{{false, true, true, true, true},
                                                 {true, false, false, false, true},
                                                 {true, false, false, true, false}}};
    if (window_state < 0 || window_state >= static_cast<qint16>(rows.size()))
        return;
    const Row& row = rows.at(static_cast<std::size_t>(window_state));
    mnuTrayMaximize->setEnabled(row.maximize);
    mnuTrayMinimize->setEnabled(row.minimize);
    mnuTrayMove->setEnabled(row.move);
    mnuTrayRestore->setEnabled(row.restore);
    mnuTraySize->setEnabled(row.size);
}

bool TrayMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &window_ &&
        (event->type() == QEvent::WindowStateChange || event->type() == QEvent::Resize))
        Form_Resize();
    return QMenu::eventFilter(watched, event);
}

void TrayMenu::Form_Resize()
{
    const qint16 state = windowStateValue();
    SetTrayMenuItems(state);
    if (state != 1)
        LastState = state;
}

void TrayMenu::mnuTrayRestore_Click()
{
    if (TrayWindowProc(TrayMessage::Restore))
        return;
    // As the window manager restores: from minimised to the state before, else to normal.
    const Qt::WindowStates s = window_.windowState();
    window_.setWindowState(s.testFlag(Qt::WindowMinimized) ? s & ~Qt::WindowMinimized
                                                           : s & ~Qt::WindowMaximized);
}

void TrayMenu::mnuTrayMove_Click()
{
    // The window manager decides whether a move can start without a pressed button.
    if (!TrayWindowProc(TrayMessage::Move) && window_.windowHandle())
        window_.windowHandle()->startSystemMove();
}

void TrayMenu::mnuTraySize_Click()
{
    if (!TrayWindowProc(TrayMessage::Size) && window_.windowHandle())
        window_.windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
}

void TrayMenu::mnuTrayMinimize_Click()
{
    window_.setWindowState((window_.windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
}

void TrayMenu::mnuTrayMaximize_Click()
{
    window_.setWindowState((window_.windowState() & ~(Qt::WindowMinimized | Qt::WindowActive)) |
                           Qt::WindowMaximized);
    if (window_.isHidden())
        window_.show();
}

void TrayMenu::mnuTrayStartAtLogin_Click()
{
    QString error;
    if (!platform::setStartAtLogin(mnuTrayStartAtLogin->isChecked(), &error))
        model_.setSaveProblem(error);
    mnuTrayStartAtLogin->setChecked(platform::startsAtLogin());
}

} // namespace quillet
