#pragma once

#include <QObject>
#include <QString>

namespace quillet {

class Model;
class SmtpDialogue;

namespace platform {
class Winsock;
}

// The notification e-mail: the SMTP dialogue on a socket of its own, reading the model's
// settings and addresses and reporting in its transcript and status line 0.
class EmailAction : public QObject {
    Q_OBJECT

public:
    explicit EmailAction(Model& model, QObject* parent = nullptr);
    ~EmailAction() override;

    // Discards any dialogue in progress, clears the transcript and asks for the connection
    // to the SMTP server. Returns at once; the server's replies drive the rest.
    void SendEmail();
    bool busy() const { return busy_; }

    SmtpDialogue& dialogue() { return *dialogue_; }

signals:
    // The dialogue has ended, well or not; the status line says which.
    void finished();

private:
    // Sends `strData` and appends `shown` to the transcript; false, with nothing appended,
    // when the socket is not connected (or its TLS not yet up).
    bool SendDataAndLog(const QString& strData, const QString& shown);

    Model& model_;
    platform::Winsock* Winsock1;
    SmtpDialogue* dialogue_;
    bool busy_ = false;
};

} // namespace quillet
