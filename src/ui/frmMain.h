#pragma once

#include <QWidget>

#include <array>

class QAction;
class QColor;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace quillet {

class Model;
struct Settings;

// Value of a check box as the settings file and the actions see it:
// 0 unticked, 1 ticked, 2 greyed.
int checkValue(const QCheckBox* box);
void setCheckValue(QCheckBox* box, int value);

// The program's only window, built when first shown: it shows the model (every setting,
// the addresses, the computer name, the action outcomes, the e-mail's transcript) and puts
// every edit of a setting back into it at once.
class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(Model& model, QWidget* parent = nullptr);
    ~frmMain() override;

    // Heading
    QLabel* Label2;
    QLabel* lblHostNameCaption;
    QLabel* lblHostName;

    // E-mail panel
    QFrame* Shape1;
    QCheckBox* chkSendEmail;
    QLineEdit* txtEmailRecipient;
    QLabel* lblEmailFrom;
    QLineEdit* txtEmailFrom;
    QLabel* lblSMTPServer;
    QLineEdit* txtSMTPServer;
    QLabel* lblSMTPport;
    QLineEdit* txtSMTPport;
    QLabel* lblSMTPSecurity;
    QComboBox* cboSMTPSecurity;
    QCheckBox* chkAuthentication;
    QLabel* lblSMTPuser;
    QLineEdit* txtSMTPuser;
    QLabel* lblSMTPPassword;
    QLineEdit* txtSMTPpassword;

    // FTP panel
    QFrame* Shape2;
    QCheckBox* chkUploadFile;
    QLineEdit* txtFileName;
    QLabel* Label1;
    QLabel* lblFTPserver;
    QLineEdit* txtFTPserver;
    QLabel* lblFTPport;
    QLineEdit* txtFTPport;
    QCheckBox* chkFTPS;
    QLabel* lblFTPusername;
    QLineEdit* txtFTPusername;
    QLabel* lblFTPpassword;
    QLineEdit* txtFTPpassword;
    QLabel* lblFTPpath;
    QLineEdit* txtFTPpath;

    // URL panel
    QFrame* Shape3;
    QCheckBox* chkExecuteURL;
    QLineEdit* txtExecuteURL;

    // DynDNS panel
    QFrame* Shape4;
    QCheckBox* chkUpdateDynDNS;
    QLabel* lblDDNSservice;
    QComboBox* cboDDNSservice;
    QLabel* lblDDNSusername;
    QLineEdit* txtDDNSusername;
    QLabel* lblDDNSpassword;
    QLineEdit* txtDDNSpassword;
    QLabel* lblDDNShostname;
    QLineEdit* txtDDNShostname;
    QCheckBox* chkDDNShttps;

    // Address panel
    QFrame* Shape5;
    QLabel* lblExternalIP;
    QLineEdit* txtExternalIP;
    QPushButton* cmdCopyExtIP;
    QLabel* lblInternalIP;
    QLineEdit* txtInternalIP;
    QPushButton* cmdCopyIntIP;
    QLabel* lblViewIPChangeLog;
    QPushButton* cmdCheckNow;

    // Status
    QLabel* Label3;
    std::array<QLabel*, 4> lblStatus;
    QLabel* lblSaveProblem;
    QPushButton* cmdUploadNow;
    QLabel* lblHyperlink;

    // SMTP transcript, below the designed client area
    QPlainTextEdit* txtSMTPlog;

    // Tray menu
    QMenu* mnuTray;
    QAction* mnuTrayRestore;
    QAction* mnuTrayMove;
    QAction* mnuTraySize;
    QAction* mnuTrayMinimize;
    QAction* mnuTrayMaximize;
    QAction* mnuTraySep;
    QAction* mnuTrayStartAtLogin;
    QAction* mnuTrayClose;

    // The colour status label `index` shows: pure green for success, pure red for failure.
    QColor statusColour(std::size_t index) const;

    // Last window state other than minimised: 0 normal, 2 maximised.
    qint16 LastState = 0;
    qint16 windowStateValue() const;

    // Enables the tray menu's items that make sense in `window_state` (0 normal,
    // 1 minimised or hidden in the tray, 2 maximised); any other value changes nothing.
    void SetTrayMenuItems(const qint16& window_state);

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
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void applyLook();
    void setTabOrderAsDesigned();

    void Form_Resize();
    void mnuTrayRestore_Click();
    void mnuTrayMove_Click();
    void mnuTraySize_Click();
    void mnuTrayMinimize_Click();
    void mnuTrayMaximize_Click();
    void mnuTrayClose_Click();
    void mnuTrayStartAtLogin_Click();

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
    static constexpr qreal kStatusPoints = 8.25;
};

} // namespace quillet
