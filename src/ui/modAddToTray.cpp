#include "ui/modAddToTray.h"

#include "ui/frmMain.h"

#include <QPointer>

namespace quillet {

// Not built yet: no icon is shown. The module keeps what the icon would show, so the
// start-up order and the check cycle run as they will with a real icon.
namespace {
struct TrayRecord {
    QPointer<frmMain> form;
    QMenu* menu = nullptr;
    QString tip;
};

TrayRecord& tray()
{
    static TrayRecord record;
    return record;
}
} // namespace

void AddToTray(frmMain& form, QMenu* menu)
{
    tray().form = &form;
    tray().menu = menu;
    tray().tip.clear();
}

void SetTrayTip(const QString& text)
{
    tray().tip = text;
}

void RemoveFromTray()
{
    tray().form = nullptr;
}

QString currentTrayTip()
{
    return tray().tip;
}

bool isInTray()
{
    return !tray().form.isNull();
}

} // namespace quillet
