#include "monitor/ActionRunner.h"

#include "ui/frmMain.h"

#include <QPushButton>

namespace quillet {

void ExecuteActions(frmMain& form)
{
    // Keeps a second run from being started from the window while one is in progress.
    form.cmdUploadNow->setEnabled(false);
    // The four actions (e-mail, FTP, DynDNS, URL) are not built yet.
    form.cmdUploadNow->setEnabled(true);
}

} // namespace quillet
