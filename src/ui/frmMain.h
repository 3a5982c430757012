#pragma once

#include "ui_frmMain.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QColor;
class QLabel;

namespace quillet {

class Model;
class TrayMenu;
struct Settings;

// Value of a check box as the settings file and the actions see it:
// 0 unticked, 1 ticked, 2 greyed.
int checkValue(const QCheckBox* box);
void setCheckValue(QCheckBox* box, int value);

// The program's only window, built when first shown: it shows the model (every setting,
// the addresses, the computer name, the action outcomes, the e-mail's transcript) and puts
// every edit of a setting back into it at once. Its controls, named as the settings file and
// the actions know them, come from frmMain.ui.
class frmMain : public QWidget, public Ui::frmMainForm {
    Q_OBJECT

public:
    explicit frmMain(Model& model, QWidget* parent = nullptr);
    ~frmMain() override;

    // lblStatus_0 to lblStatus_3: e-mail, FTP, DynDNS, URL.
    std::array<QLabel*, 4> lblStatus;
    // The tray's popup menu, which follows this window's state.
    TrayMenu* mnuTray;

    // The colour status label `index` shows: pure green for success, pure red for failure.
    QColor statusColour(std::size_t index) const;

    // Every setting into its control (the enabling rules follow the ticks), and back.
    void applySettings(const Settings& settings);
    Settings settings() const;

    // The maker's web address as the link's caption and tag; an empty one hides the link.
    void setMakerLink(const QString& url);

signals:
    // The window is being closed; the program's clean-up follows.
    void unloading();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdCopyExtIP_Click();
    void cmdCopyIntIP_Click();
    void lblViewIPChangeLog_Click();
    void lblHyperlink_Click();
    void txtSMTPlog_Change();
    void txtFileName_Change();

    void chkSendEmail_Click();
    void chkAuthentication_Click();
    void chkUploadFile_Click();
    void chkUpdateDynDNS_Click();
    void chkExecuteURL_Click();
    void cboSMTPSecurity_Click(int index);
    void cboDDNSservice_Change(const QString& service);
    int securityShown_ = 0;

    // The model, shown and edited.
    void bindModel();
    void showAddresses();
    void showStatusLine(std::size_t index);
    void appendToSMTPlog(const QString& text);
    void settingEdited();

    Model& model_;
    bool applying_ = false;
};

} // namespace quillet
