#pragma once

#include "core/Endpoints.h"

#include <QString>

#include <array>
#include <variant>

namespace quillet {

// Every setting the user makes, named after the control that shows it. A check box holds
// 0 unticked, 1 ticked or 2 greyed; an action runs only when its box holds exactly 1.
struct Settings {
    int chkSendEmail = 0;
    QString txtEmailRecipient;
    QString txtSMTPServer;
    QString txtSMTPport = QStringLiteral("25");
    QString txtEmailFrom;
    int chkAuthentication = 0;
    QString txtSMTPuser;
    QString txtSMTPpassword;
    int chkUploadFile = 0;
    QString txtFileName;
    QString txtFTPserver;
    QString txtFTPport = QStringLiteral("21");
    QString txtFTPusername;
    QString txtFTPpassword;
    QString txtFTPpath = QStringLiteral("/");
    int chkUpdateDynDNS = 0;
    QString txtDDNSusername;
    QString txtDDNSpassword;
    QString txtDDNShostname;
    int chkExecuteURL = 0;
    QString txtExecuteURL = QStringLiteral("http://");
    // 0 none, 1 STARTTLS, 2 SSL/TLS from the first byte
    int cboSMTPSecurity = 0;
    int chkFTPS = 0;
    // Host or host:port of a service that speaks the DynDNS update protocol.
    QString cboDDNSservice = dynDnsHost();
    int chkDDNShttps = 1;

    bool operator==(const Settings&) const = default;
};

// One setting: the name of its control, and where Settings keeps it.
struct SettingField {
    const char* control;
    std::variant<int Settings::*, QString Settings::*> member;
};

// In the order config.txt keeps them, one a line; a file of an older version holds the first
// 21, and an older version reads only those.
inline constexpr int kSettingCount = 25;
inline constexpr int kFirstSettingLines = 21;
extern const std::array<SettingField, kSettingCount> kSettingFields;

// The longest text a setting holds: what an edit box takes, and a line of config.txt.
inline constexpr int kMaxSettingChars = 32767;

} // namespace quillet
