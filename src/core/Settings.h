#pragma once

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

    bool operator==(const Settings&) const = default;
};

// One setting: the name of its control, and where Settings keeps it.
struct SettingField {
    const char* control;
    std::variant<int Settings::*, QString Settings::*> member;
};

// In the order config.txt keeps them, one a line.
inline constexpr int kSettingCount = 21;
extern const std::array<SettingField, kSettingCount> kSettingFields;

// The longest text a setting holds: what an edit box takes, and a line of config.txt.
inline constexpr int kMaxSettingChars = 32767;

} // namespace quillet
