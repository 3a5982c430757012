#pragma once

#include "platform/Download.h"
#include "platform/TestHooks.h"

#include <QtTest>

namespace quillet::test {

// The bytes of a file, or an empty array when it cannot be read.
QByteArray readAll(const QString& path);
bool writeAll(const QString& path, const QByteArray& bytes);

// A program of the test's, stopped when the test drops it.
struct Process : QProcess {
    ~Process() override { kill(), waitForFinished(5000); }
};

// A peer process started by a test and killed when the object goes.
class PeerProcess {
public:
    // Starts `program` and waits (bounded) for a "PORT n" line on its stdout, or with
    // `port`, until 127.0.0.1:`port` accepts connections.
    bool start(const QString& program, const QStringList& args, quint16 port = 0);
    quint16 port() const { return port_; }

private:
    std::unique_ptr<Process> process_;
    quint16 port_ = 0;
};

// Throwaway certificates made once: "ca.pem", "server.pem" signed by it; "other-" ones alike.
QString tlsFile(const QString& name);
// Trusts `caFile`'s authorities alone, as SSL_CERT_FILE does for Quillet; empty: the system's.
void trustAuthorities(const QString& caFile);

// A server of support/peers.py on 127.0.0.1, logging to a folder of its own; TLS with `cert`.
class ScriptPeer {
public:
    bool ok() const { return started_; }
    quint16 port() const { return peer_.port(); }

protected:
    ScriptPeer(const char* kind, QStringList args, const QString& cert);
    QString file(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    // What the peer logged, one JSON object a line.
    QList<QVariantMap> logged(const char* name) const;

private:
    QTemporaryDir dir_;
    PeerProcess peer_;
    bool started_ = false;
};

// Answers every request with the body tests set.
class HttpPeer : public ScriptPeer {
public:
    explicit HttpPeer(const QString& cert = {}, const QString& host = "127.0.0.1");
    QString hostPort() const
    {
        return (host_.contains(':') ? "[" + host_ + "]" : host_) + ":" + QString::number(port());
    }
    // What the next requests get (at "/x" alone when `at` is ".x"): the body with status 200;
    // a first line "STATUS n" sets n.
    void answer(const QByteArray& body, const QString& at = {})
    {
        writeAll(file("body") + at, body);
    }
    // Every request so far (method, path, headers, t).
    QList<QVariantMap> requests() const { return logged("requests.jsonl"); }

private:
    QString host_;
};

// Mail with or without AUTH LOGIN as `user`; `tls` "starttls" or "implicit" with a `cert`.
class SmtpPeer : public ScriptPeer {
public:
    SmtpPeer(const QString& user, const QString& password, const QString& tls = {},
             const QString& cert = {});
    // Each message received so far: sender, LF, recipients, LF, then its bytes.
    QByteArray mails() const { return readAll(file("mail.log")); }
};

// One account whose home is root() (and "other" alike); with a `cert`, TLS required on every
// connection, the data connection resuming the control connection's session ("other"'s
// presenting another authority's certificate instead); `mute` a command it never answers.
class FtpPeer : public ScriptPeer {
public:
    FtpPeer(const QString& user, const QString& password, const QString& cert = {},
            const QString& mute = {});
    QString root() const { return file("root"); }
    // Every command so far (cmd, arg, t), the password shown as "***".
    QList<QVariantMap> commands() const { return logged("commands.jsonl"); }
};

// A row of a test's table whose one column holds a `Case`, built from `fields`.
template <typename Case, typename... Fields> void row(const char* name, Fields&&... fields)
{
    QTest::newRow(name) << Case{std::forward<Fields>(fields)...};
}

// A header of one logged request by its name in lower case, or empty text.
inline QString header(const QVariantMap& request, const char* name)
{
    return request[QStringLiteral("headers")].toMap()[QLatin1String(name)].toString();
}

// A download run to its end on the event loop (at most 20 s).
platform::DownloadResult fetch(const platform::DownloadRequest& request);

// The longest the event loop went without turning while the object lived: the window's thread
// never waits on a server.
struct Heartbeat {
    Heartbeat()
    {
        QObject::connect(&beat, &QTimer::timeout, [this] { gap = std::max(gap, clock.restart()); });
        clock.start(), beat.start(10);
    }
    QElapsedTimer clock;
    QTimer beat;
    qint64 gap = 0;
};

// A port on 127.0.0.1 that nothing listens on (just released by us).
quint16 unusedPort();

// The permission bits of the file at `path` (0600), or -1 when there is none.
int fileMode(const QString& path);

// The test hooks as values a test sets, installed while the object lives. The clock reads
// 12-05-2026 15:23:38; everything else is the real system's until a test sets it.
class Hooks : public platform::TestHooks {
public:
    Hooks();
    ~Hooks() override;
    Hooks(const Hooks&) = delete;
    Hooks& operator=(const Hooks&) = delete;

    // The answer every prompt gets without being shown (after `duringPrompt`, when set).
    std::optional<QString> promptAnswer;
    std::function<void()> duringPrompt;
    int prompts = 0;
    // What was handed to the desktop to open, and whether the desktop could.
    QList<QUrl> opened;
    bool desktopOpens = true;

    std::optional<QString> answerPrompt(const QString& title, const QString& text) override;
    std::optional<bool> openUrl(const QUrl& url) override;
    // The files the window's thread read or wrote itself.
    QStringList filesOnMainThread;
    void fileOnMainThread(const QString& path) override { filesOnMainThread << path; }
};

} // namespace quillet::test
