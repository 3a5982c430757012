#include "address/AddressLookup.h"

#include "core/Endpoints.h"
#include "core/TextUtil.h"
#include "core/Windows1252.h"
#include "platform/Download.h"
#include "platform/Network.h"

#include <QHostAddress>
#include <QMap>

#include <algorithm>
#include <memory>

namespace quillet {

namespace {

QString trimmedAnswer(const QString& text)
{
    const auto isSpace = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
               c == QLatin1Char('\n');
    };
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isSpace(text.at(first)))
        ++first;
    while (last > first && isSpace(text.at(last - 1)))
        --last;
    return text.mid(first, last - first);
}

using Subnets = QList<QPair<QHostAddress, int>>;

Subnets subnets(std::initializer_list<const char*> ranges)
{
    Subnets parsed;
    for (const char* range : ranges)
        parsed << QHostAddress::parseSubnet(QLatin1String(range));
    return parsed;
}

// Addresses that can be no one's on the internet: this network, loopback, link-local,
// multicast and reserved (the broadcast address included).
const Subnets& noOnesRanges()
{
    static const Subnets ranges =
        subnets({"0.0.0.0/8", "127.0.0.0/8", "169.254.0.0/16", "224.0.0.0/4", "240.0.0.0/4"});
    return ranges;
}

// Someone's, but not reachable from outside: private networks, the providers' shared NAT.
const Subnets& behindNatRanges()
{
    static const Subnets ranges =
        subnets({"10.0.0.0/8", "172.16.0.0/12", "192.168.0.0/16", "100.64.0.0/10"});
    return ranges;
}

bool isIn(const QString& address, const Subnets& ranges)
{
    const QHostAddress host(address);
    return std::any_of(ranges.begin(), ranges.end(),
                       [&host](const auto& range) { return host.isInSubnet(range); });
}

// One source's answer: an address, or why there is none.
struct Answer {
    QString source; // its host, or for a further page its URL without the scheme
    QString address;
    QString problem;
};

// What a family's lookup asks, and how it judges an answer.
struct Family {
    platform::AddressFamily family;
    QString echoPage; // asked first
    QString echoHost; // its name in the tips
    QStringList more;
    QString name; // "echo page", "IPv6 echo page"
    QString kind; // "an address", "an IPv6 address"
};

// `text` as the address it is, in its usual form, or empty when it is none of this family.
QString parsed(const QString& text, platform::AddressFamily family)
{
    if (family == platform::AddressFamily::IPv4)
        return isIPv4Address(text) ? text : QString();
    QHostAddress address;
    // No scope ("%eth0"), no brackets: the bare address.
    if (text.contains(QLatin1Char('%')) || !address.setAddress(text) ||
        address.protocol() != QAbstractSocket::IPv6Protocol)
        return {};
    return address.toString();
}

// An address nobody can be reached at from elsewhere.
bool isNoOnes(const QString& address, platform::AddressFamily family)
{
    if (family == platform::AddressFamily::IPv4)
        return isIn(address, noOnesRanges());
    const QHostAddress host(address);
    bool mapped = false;
    host.toIPv4Address(&mapped);
    return host.isLoopback() || host.isLinkLocal() || host.isMulticast() || host.isNull() ||
           host == QHostAddress(QHostAddress::AnyIPv6) || mapped;
}

void ask(const Family& family, const QString& url, const QString& source, bool echoPage,
         std::function<void(const Answer&)> done)
{
    platform::DownloadRequest request;
    request.url = toWindows1252(url);
    // Every lookup must reach the server, not a cache on the way.
    request.bypassCache = true;
    request.maxBytes = kMaxEchoAnswer;
    // A page on a host of both families answers the address it was asked over.
    request.family = family.family;
    platform::download(request, [family, source, echoPage,
                                 done = std::move(done)](const platform::DownloadResult& result) {
        if (!result.ok)
            return done(
                {source, {}, QStringLiteral("Cannot reach %1: %2").arg(source, result.error)});
        const QString answer = trimmedAnswer(fromWindows1252(result.body));
        const QString who = echoPage ? QStringLiteral("The ") + family.name : source;
        const QString address = parsed(answer, family.family);
        if (address.isEmpty())
            return done(
                {source,
                 {},
                 QStringLiteral("%1 answered something that is not %2").arg(who, family.kind)});
        if (isNoOnes(address, family.family))
            return done(
                {source,
                 {},
                 QStringLiteral("%1 answered %2, which is no one's address").arg(who, address)});
        done({source, address, {}});
    });
}

// "https://api.example/" as the tip names it: "api.example".
QString sourceName(const QString& url)
{
    QString name = url.section(QStringLiteral("://"), 1);
    if (name.endsWith(QLatin1Char('/')))
        name.chop(1);
    return name;
}

Lookup found(const QString& address, QStringList notes = {})
{
    if (isIPv4Address(address) && isIn(address, behindNatRanges()))
        notes << QStringLiteral("This computer sits behind another router or the provider's NAT: "
                                "it cannot be reached from outside at %1")
                     .arg(address);
    return {address, {}, notes};
}

// Two sources at least agree, and no other address got as many answers.
Lookup decided(const QList<Answer>& answers)
{
    QMap<QString, int> votes;
    QStringList said;
    for (const Answer& answer : answers) {
        if (answer.address.isEmpty())
            continue;
        ++votes[answer.address];
        said << QStringLiteral("%1 said %2").arg(answer.source, answer.address);
    }
    if (votes.isEmpty())
        return {{}, answers.first().problem};
    if (said.size() == 1) {
        const auto only = std::find_if(answers.begin(), answers.end(), [](const Answer& answer) {
            return !answer.address.isEmpty();
        });
        return found(only->address,
                     {QStringLiteral("Unconfirmed: only %1 answered").arg(only->source)});
    }
    const int most = *std::max_element(votes.cbegin(), votes.cend());
    if (most < 2 || votes.values().count(most) > 1)
        return {{}, QStringLiteral("The sources disagree: ") + said.join(QStringLiteral(", "))};
    return found(votes.key(most));
}

void lookUp(const Family& family, const QString& lastKnown, std::function<void(const Lookup&)> done)
{
    ask(family, family.echoPage, family.echoHost, true,
        [family, lastKnown, done = std::move(done)](const Answer& first) {
            const QStringList& more = family.more;
            if (more.isEmpty() || (!first.address.isEmpty() && first.address == lastKnown))
                return done(first.address.isEmpty() ? Lookup{{}, first.problem}
                                                    : found(first.address));
            // Kept in the sources' order, so that the tip reads the same whoever answers first.
            auto answers = std::make_shared<QList<Answer>>(more.size() + 1);
            auto waiting = std::make_shared<qsizetype>(more.size());
            answers->first() = first;
            for (qsizetype i = 0; i < more.size(); ++i) {
                ask(family, more.at(i), sourceName(more.at(i)), false,
                    [answers, waiting, i, done](const Answer& answer) {
                        (*answers)[i + 1] = answer;
                        if (--*waiting == 0)
                            done(decided(*answers));
                    });
            }
        });
}

} // namespace

void lookUpExternalAddress(const QString& lastKnown, std::function<void(const Lookup&)> done)
{
    lookUp({platform::AddressFamily::IPv4, echoPageAddress(), echoHost(), moreEchoPages(),
            QStringLiteral("echo page"), QStringLiteral("an address")},
           lastKnown, std::move(done));
}

void lookUpExternalIPv6Address(const QString& lastKnown, std::function<void(const Lookup&)> done)
{
    lookUp({platform::AddressFamily::IPv6, echo6PageAddress(), echo6Host(), moreEcho6Pages(),
            QStringLiteral("IPv6 echo page"), QStringLiteral("an IPv6 address")},
           lastKnown, std::move(done));
}

QString internalAddress()
{
    const QList<platform::Adapter> adapters = platform::adapterList();
    for (const platform::Adapter& adapter : adapters) {
        if (adapter.loopback)
            continue;
        const QString text = adapter.firstIPv4;
        // A disconnected adapter reports no address, or 0.0.0.0; the next one may be live.
        if (!text.isEmpty() && text != QLatin1String("0.0.0.0"))
            return text;
    }
    return {};
}

QString internalIPv6Address()
{
    const QList<platform::Adapter> adapters = platform::adapterList();
    for (const platform::Adapter& adapter : adapters) {
        if (adapter.loopback)
            continue;
        QString temporary;
        for (const platform::IPv6Entry& entry : adapter.ipv6) {
            const QHostAddress address(entry.address);
            bool mapped = false;
            address.toIPv4Address(&mapped);
            // Reachable beyond the local network: no link-local, unique local or site-local one.
            if (address.protocol() != QAbstractSocket::IPv6Protocol || !address.isGlobal() ||
                address.isUniqueLocalUnicast() || address.isSiteLocal() || mapped)
                continue;
            if (!entry.temporary)
                return address.toString();
            if (temporary.isEmpty())
                temporary = address.toString();
        }
        if (!temporary.isEmpty())
            return temporary;
    }
    return {};
}

} // namespace quillet
