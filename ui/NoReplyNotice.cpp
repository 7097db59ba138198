#include "NoReplyNotice.h"

#include "ControllerRecord.h"
#include "Ports.h"
#include "WindowText.h"

namespace noreply {
namespace {

const QString kTitle = QStringLiteral("Контроллеры не найдены");

QString CardList(const std::vector<core::NetworkCard>& cards) {
    return CommaList(cards, [](const core::NetworkCard& card) {
        return QStringLiteral("%1 (%2/%3)")
            .arg(Text(card.name), Text(core::DottedQuad(card.address)))
            .arg(card.prefix);
    });
}

// The firewall's name as it follows "брандмауэр".
QString Name(const core::HostFirewall& firewall) {
    using Kind = core::HostFirewall::Kind;
    switch (firewall.kind) {
    case Kind::kUfw:
        return QStringLiteral("ufw");
    case Kind::kFirewalld:
        return QStringLiteral("firewalld");
    case Kind::kWindows:
        return QStringLiteral("Windows");
    case Kind::kNone:
        break;
    }
    return {};
}

QString AdviceText(const core::HostFirewall& firewall) {
    const QString ports = QString::fromLatin1(core::kLocalPortRange) + QStringLiteral("/udp");
    QString command = Text(firewall.openCommand);
    if (!command.isEmpty() && firewall.openAsAdministrator)
        command += QStringLiteral(" (от имени администратора)");
    return QStringLiteral("Брандмауэр ") + Name(firewall) +
           QStringLiteral(" может не пропускать ответы контроллеров. Откройте порты ") + ports +
           (command.isEmpty() ? QStringLiteral(".") : ": " + command);
}

} // namespace

std::optional<TNotifier::Message> FirewallAdvice(const core::NoReplyFacts& facts) {
    if (!facts.FirewallMayDropReplies())
        return std::nullopt;
    return TNotifier::Message{kTitle, AdviceText(facts.firewall), TNotifier::kBalloonSeconds,
                              TNotifier::Kind::kWarning};
}

namespace {

// The most telling fact, for the window's one line: why the request went nowhere, else
// the firewall, else a card beside the others without an address, else where it went.
QString Line(const core::NoReplyFacts& facts) {
    const std::vector<std::string>& bare = facts.withoutAddress;
    const QString noAddress =
        (bare.size() == 1 ? QStringLiteral("у карты ") : QStringLiteral("у карт ")) +
        CommaList(bare, Text) + QStringLiteral(" нет адреса IPv4");
    QString why;
    if (facts.NoCardUp())
        why = QStringLiteral("ни одна сетевая карта не включена");
    else if (facts.asked.empty())
        why = noAddress;
    else if (facts.FirewallMayDropReplies())
        why = QStringLiteral("возможно, мешает брандмауэр ") + Name(facts.firewall);
    else if (!bare.empty())
        why = noAddress;
    else
        why = QStringLiteral("запрос ушёл через ") + CardList(facts.asked);
    return QStringLiteral("Нет ответа: ") + why;
}

} // namespace

TNotifier::Message Account(const core::NoReplyFacts& facts) {
    QStringList lines;
    if (facts.NoCardUp())
        lines << QStringLiteral("Запрос не ушёл ни через одну сетевую карту: ни одна карта не "
                                "включена.");
    else if (facts.asked.empty())
        lines << QStringLiteral("Запрос не ушёл ни через одну сетевую карту: ни у одной "
                                "включённой карты нет адреса IPv4.");
    else
        lines << QStringLiteral("Запрос ушёл через ") + CardList(facts.asked) + QLatin1Char('.');
    for (const std::string& card : facts.withoutAddress)
        lines << QStringLiteral("Сетевая карта %1 включена, но у неё нет адреса IPv4. Задайте "
                                "адрес вручную, например: %2")
                     .arg(Text(card), Text(core::AddressCommand(card, core::kSuggestedAddress,
                                                                core::kSuggestedPrefix)));
    if (const auto advice = FirewallAdvice(facts))
        lines << advice->text;
    return {kTitle, lines.join(QLatin1Char('\n')), TNotifier::kBalloonSeconds,
            TNotifier::Kind::kInformation, Line(facts)};
}

} // namespace noreply
