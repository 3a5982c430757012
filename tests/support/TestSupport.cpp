#include "TestSupport.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <sys/stat.h>

namespace quillet::test {

bool PeerProcess::start(const QString& program, const QStringList& args, quint16 port)
{
    process_ = std::make_unique<Process>();
    process_->start(program, args);
    port_ = port;
    const QDeadlineTimer deadline(10000);
    while (process_->waitForStarted(10000) && !deadline.hasExpired() &&
           process_->state() == QProcess::Running) {
        if (port != 0) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            if (probe.waitForConnected(500))
                return true;
            QThread::msleep(50);
        } else if (process_->canReadLine() || process_->waitForReadyRead(100)) {
            const QByteArray line = process_->readLine().trimmed();
            if (line.startsWith("PORT "))
                return (port_ = static_cast<quint16>(line.mid(5).toUInt())) != 0;
        }
    }
    return false;
}

QString tlsFile(const QString& name)
{
    // For each authority, its certificate and a server's key and certificate signed by it.
    static QTemporaryDir dir;
    static const bool made = QProcess::execute(QStringLiteral("bash"), {"-c", R"(cd "$0" &&
        k="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30"
        for p in "" other-; do
            openssl req -x509 $k -keyout ${p}ca.key -out ${p}ca.pem -subj "/CN=${p}test CA" &&
            openssl req -x509 $k -keyout ${p}server.pem -out crt -subj /CN=127.0.0.1 \
                -CA ${p}ca.pem -CAkey ${p}ca.key -addext basicConstraints=critical,CA:FALSE \
                -addext subjectAltName=IP:127.0.0.1,DNS:localhost && cat crt >>${p}server.pem || exit 1
        done 2>/dev/null)",
                                                                        dir.path()}) == 0;
    return made ? dir.filePath(name) : QString();
}

void trustAuthorities(const QString& caFile)
{
    if (caFile.isEmpty())
        qunsetenv("SSL_CERT_FILE");
    else
        qputenv("SSL_CERT_FILE", QFile::encodeName(caFile));
}

ScriptPeer::ScriptPeer(const char* kind, QStringList args, const QString& cert)
{
    if (!cert.isEmpty())
        args << QStringLiteral("--cert") << cert;
    // "@/" names this peer's folder; an FTP peer's home is ready before it starts.
    for (QString& arg : args)
        arg.replace(QLatin1String("@/"), dir_.path() + QLatin1Char('/'));
    QDir(dir_.path()).mkdir(QStringLiteral("root"));
    started_ = peer_.start(QStringLiteral("/usr/bin/python3"),
                           QStringList{QStringLiteral(QUILLET_TEST_SUPPORT_DIR "/peers.py"),
                                       QString::fromLatin1(kind)} +
                               args);
}

QList<QVariantMap> ScriptPeer::logged(const char* name) const
{
    QList<QVariantMap> list;
    for (const QByteArray& line : readAll(file(name)).split('\n'))
        if (!line.isEmpty())
            list.append(QJsonDocument::fromJson(line).toVariant().toMap());
    return list;
}

HttpPeer::HttpPeer(const QString& cert, const QString& host)
    : ScriptPeer("http",
                 {"--body-file", "@/body", "--log-file", "@/requests.jsonl", "--host", host}, cert)
    , host_(host)
{
    answer({});
}

SmtpPeer::SmtpPeer(const QString& user, const QString& password, const QString& tls,
                   const QString& cert)
    : ScriptPeer("smtp",
                 {"--log-file", "@/mail.log", "--user", user, "--password", password, "--tls",
                  tls.isEmpty() ? QStringLiteral("none") : tls},
                 cert)
{
}

FtpPeer::FtpPeer(const QString& user, const QString& password, const QString& cert,
                 const QString& mute)
    : ScriptPeer("ftp",
                 QStringList{"--root", "@/root", "--user", user, "--password", password,
                             "--log-file", "@/commands.jsonl", "--mute", mute} +
                     (cert.isEmpty()
                          ? QStringList()
                          : QStringList{"--reuse", "--other-cert", tlsFile("other-server.pem")}),
                 cert)
{
}

platform::DownloadResult fetch(const platform::DownloadRequest& request)
{
    std::optional<platform::DownloadResult> result;
    platform::download(request, [&result](const platform::DownloadResult& r) { result = r; });
    (void)QTest::qWaitFor([&result] { return result.has_value(); }, 20000);
    return result.value_or(platform::DownloadResult{});
}

quint16 unusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

int fileMode(const QString& path)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

Hooks::Hooks()
{
    now = QDateTime(QDate(2026, 12, 5), QTime(15, 23, 38));
    moreEchoPages = moreEcho6Pages = QStringList(); // never the build's public pages
    platform::setTestHooks(this);
}

Hooks::~Hooks()
{
    platform::setTestHooks(nullptr);
    trustAuthorities({});
}

std::optional<QString> Hooks::answerPrompt(const QString&, const QString&)
{
    ++prompts;
    if (duringPrompt)
        duringPrompt();
    return promptAnswer;
}

std::optional<bool> Hooks::openUrl(const QUrl& url)
{
    opened.append(url);
    return desktopOpens;
}

} // namespace quillet::test
