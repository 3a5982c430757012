#include "core/Settings.h"

#include "core/Endpoints.h"
#include "core/TextUtil.h"

#include <algorithm>

namespace quillet {

Settings::Settings()
{
    dynDns.service = dynDnsHost();
}

Port portFromText(const QString& text)
{
    const QString digits = trimBlanks(text);
    if (digits.isEmpty() || digits.size() > 5 ||
        !std::all_of(digits.cbegin(), digits.cend(),
                     [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }))
        return 0;
    const uint number = digits.toUInt();
    return number <= 65535 ? static_cast<Port>(number) : 0;
}

QString portText(Port port)
{
    return port == 0 ? QString() : QString::number(port);
}

bool isTicked(const Settings& settings, Action action)
{
    switch (action) {
    case Action::Email:
        return settings.email.enabled;
    case Action::Ftp:
        return settings.ftp.enabled;
    case Action::DynDns:
        return settings.dynDns.enabled;
    case Action::Url:
        return settings.url.enabled;
    }
    return false;
}

} // namespace quillet
