#include "core/ConfigFile.h"

#include "core/Ansi.h"
#include "core/TextUtil.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>
#include <QStringList>

#include <cmath>
#include <variant>

namespace quillet {

namespace {

using Control = std::variant<QCheckBox*, QLineEdit*>;

// Line order of the file.
std::array<Control, kConfigLines> controlsInFileOrder(const frmMain& f)
{
    return {f.chkSendEmail,    f.txtEmailRecipient, f.txtSMTPServer,   f.txtSMTPport,
            f.txtEmailFrom,    f.chkAuthentication, f.txtSMTPuser,     f.txtSMTPpassword,
            f.chkUploadFile,   f.txtFileName,       f.txtFTPserver,    f.txtFTPport,
            f.txtFTPusername,  f.txtFTPpassword,    f.txtFTPpath,      f.chkUpdateDynDNS,
            f.txtDDNSusername, f.txtDDNSpassword,   f.txtDDNShostname, f.chkExecuteURL,
            f.txtExecuteURL};
}

} // namespace

std::optional<int> parseCheckValue(const QString& line)
{
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n && (line.at(i) == QLatin1Char(' ') || line.at(i) == QLatin1Char('\t')))
        ++i;

    QByteArray number;
    if (i < n && (line.at(i) == QLatin1Char('+') || line.at(i) == QLatin1Char('-')))
        number.append(static_cast<char>(line.at(i++).unicode()));
    const auto isDigit = [&](qsizetype k) {
        return k < n && line.at(k).isDigit() && line.at(k).unicode() < 128;
    };
    qsizetype digits = 0;
    while (isDigit(i)) {
        number.append(static_cast<char>(line.at(i++).unicode()));
        ++digits;
    }
    if (i < n && line.at(i) == QLatin1Char('.')) {
        number.append('.');
        ++i;
        while (isDigit(i)) {
            number.append(static_cast<char>(line.at(i++).unicode()));
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < n && (line.at(i) == QLatin1Char('e') || line.at(i) == QLatin1Char('E'))) {
        qsizetype k = i + 1;
        QByteArray exponent("e");
        if (k < n && (line.at(k) == QLatin1Char('+') || line.at(k) == QLatin1Char('-')))
            exponent.append(static_cast<char>(line.at(k++).unicode()));
        if (isDigit(k)) {
            while (isDigit(k))
                exponent.append(static_cast<char>(line.at(k++).unicode()));
            number.append(exponent);
        }
    }

    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default mode rounds halves to even
    if (rounded != 0.0 && rounded != 1.0 && rounded != 2.0)
        return std::nullopt;
    return static_cast<int>(rounded);
}

LoadOutcome LoadConfig(frmMain& form, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LoadOutcome::Unreadable;
    const QString text = fromAnsi(file.readAll());
    file.close();

    const QStringList lines = SplitLines(text, kConfigLines);
    if (lines.size() < kConfigLines) {
        const QString backup = path + QStringLiteral(".bak");
        QFile::remove(backup);
        QFile::copy(path, backup);
        return LoadOutcome::TooShort;
    }

    const auto controls = controlsInFileOrder(form);
    for (int i = 0; i < kConfigLines; ++i) {
        const QString& line = lines.at(i);
        if (auto* box = std::get_if<QCheckBox*>(&controls[static_cast<std::size_t>(i)])) {
            // A value that is no box value leaves this box as it was.
            if (const std::optional<int> value = parseCheckValue(line))
                setCheckValue(*box, *value);
        } else {
            std::get<QLineEdit*>(controls[static_cast<std::size_t>(i)])->setText(TrimBlanks(line));
        }
    }
    return LoadOutcome::Loaded;
}

bool SaveConfig(const frmMain& form, const QString& path, QString* error)
{
    QByteArray content;
    for (const Control& control : controlsInFileOrder(form)) {
        if (const auto* box = std::get_if<QCheckBox*>(&control))
            content += ' ' + QByteArray::number(checkValue(*box)) + ' ';
        else
            content += toAnsi(std::get<QLineEdit*>(control)->text());
        content += "\r\n";
    }

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                    file.write(content) == content.size() && file.commit();
    if (!ok) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
    }
    return ok;
}

} // namespace quillet
