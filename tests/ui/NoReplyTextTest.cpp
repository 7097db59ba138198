// The window's words for an empty broadcast search, from made-up facts (the command line's
// are checked whole by its firewall tests).
#include "NetworkCards.h"
#include "NoReplyNotice.h"
#include "QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

using core::HostFirewall;

HostFirewall Ufw(bool portsOpen = false) {
    HostFirewall ufw;
    ufw.kind = HostFirewall::Kind::kUfw;
    ufw.state = HostFirewall::State::kActive;
    ufw.configFile = "/etc/ufw/ufw.conf";
    ufw.portsOpen = portsOpen;
    ufw.openCommand = "sudo ufw allow quorrel-ip-configurator";
    return ufw;
}

const QString kAdvice = "Брандмауэр ufw может не пропускать ответы контроллеров. Откройте "
                        "порты 6002-6004/udp: sudo ufw allow quorrel-ip-configurator";

TEST(NoReplyTextTest, TheAccountLeadsWithItsMostTellingFact) {
    const core::NetworkCard eth0{4, "eth0", {192, 168, 1, 2}, 24},
        wlan0{7, "wlan0", {10, 99, 0, 2}, 16};
    struct Case {
        core::NoReplyFacts facts;
        QString text, line;
    } const cases[] = {
        {{{eth0, wlan0}, {}, Ufw()},
         "Запрос ушёл через eth0 (192.168.1.2/24), wlan0 (10.99.0.2/16).\n" + kAdvice,
         "возможно, мешает брандмауэр ufw"},
        {{{wlan0}, {"eth1"}, Ufw(true)},
         "Запрос ушёл через wlan0 (10.99.0.2/16).\nСетевая карта eth1 включена, но у неё нет "
         "адреса IPv4. Задайте адрес вручную, например: " +
             QString::fromStdString(core::AddressCommand("eth1", "192.168.1.2", 24)),
         "у карты eth1 нет адреса IPv4"},
        {{{}, {}, {}},
         "Запрос не ушёл ни через одну сетевую карту: ни одна карта не включена.",
         "ни одна сетевая карта не включена"},
        {{{eth0}, {}, {}},
         "Запрос ушёл через eth0 (192.168.1.2/24).",
         "запрос ушёл через eth0 (192.168.1.2/24)"},
    };
    for (const Case& c : cases) {
        const TNotifier::Message m = noreply::Account(c.facts);
        EXPECT_EQ(m.title, "Контроллеры не найдены");
        EXPECT_EQ(m.text, c.text);
        EXPECT_EQ(m.line, "Нет ответа: " + c.line);
    }
}

// The balloon's advice keeps its words, only for a firewall known to be active that is not
// known to admit the ports; the Windows command fits the balloon's 255 characters, and the
// balloon says in Russian that it needs an administrator.
TEST(NoReplyTextTest, FirewallAdviceOnlyForAKnownActiveFirewallThatIsClosed) {
    const auto advice = noreply::FirewallAdvice({{}, {}, Ufw()});
    ASSERT_TRUE(advice.has_value());
    EXPECT_EQ(advice->text, kAdvice);
    EXPECT_FALSE(noreply::FirewallAdvice({{}, {}, Ufw(true)}));
    EXPECT_FALSE(noreply::FirewallAdvice({{}, {}, core::FromWindowsPolicy({true, false, false})}));
    const auto windows =
        noreply::FirewallAdvice({{}, {}, core::FromWindowsPolicy({true, true, true})});
    ASSERT_TRUE(windows.has_value());
    EXPECT_LE(windows->text.size(), 255) << windows->text.toStdString();
    EXPECT_TRUE(windows->text.startsWith("Брандмауэр Windows может"));
    EXPECT_TRUE(windows->text.endsWith("localport=6002-6004 (от имени администратора)"));
}

} // namespace
