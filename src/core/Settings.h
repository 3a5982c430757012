#pragma once

#include "core/Action.h"

#include <QString>

namespace quillet {

// A TCP port; 0 stands for a text that is no port (empty, not a number, out of range).
using Port = quint16;

// The port a text names: a whole number from 1 to 65535, blanks around it allowed; else 0.
Port portFromText(const QString& text);
// The text of a port as a box and the settings file show it; empty for 0.
QString portText(Port port);

enum class EmailSecurity {
    None,        // plain text, port 25
    StartTls,    // the greeting, EHLO and STARTTLS in the clear, then TLS; port 587
    ImplicitTls, // TLS from the first byte; port 465
};

struct EmailSettings {
    bool enabled = false;
    QString recipient;
    QString server;
    Port port = 25;
    QString sender;
    bool authenticate = false;
    QString user;
    QString password;
    EmailSecurity security = EmailSecurity::None;

    bool operator==(const EmailSettings&) const = default;
};

struct FtpSettings {
    bool enabled = false;
    QString server;
    Port port = 21;
    QString user;
    QString password;
    QString remotePath = QStringLiteral("/");
    bool tls = false; // FTPS: AUTH TLS before the log-in

    bool operator==(const FtpSettings&) const = default;
};

struct DynDnsSettings {
    bool enabled = false;
    QString user;
    QString password;
    QString hostNames; // one, or several separated by commas
    QString service;   // host or host:port of a service that speaks the update protocol
    bool https = true;

    bool operator==(const DynDnsSettings&) const = default;
};

struct UrlSettings {
    bool enabled = false;
    QString url = QStringLiteral("http://"); // with $EXTIP$ and $INTIP$

    bool operator==(const UrlSettings&) const = default;
};

// Every setting the user makes, each action's apart.
struct Settings {
    Settings();

    EmailSettings email;
    // The address file's name, locally and on the FTP server.
    QString addressFileName;
    FtpSettings ftp;
    DynDnsSettings dynDns;
    UrlSettings url;
    // The IPv6 addresses too (a build without an IPv6 echo page keeps the tick unused).
    bool watchIPv6 = false;

    bool operator==(const Settings&) const = default;
};

// The longest text a setting holds: what an edit box takes, and a line of config.txt.
inline constexpr int kMaxSettingChars = 32767;

// Whether the action is ticked in `settings`.
bool isTicked(const Settings& settings, Action action);

} // namespace quillet
