// The window's Russian account of an empty broadcast search, from made-up facts.
#include "NoReplyNotice.h"
#include "QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

using core::HostFirewall;

HostFirewall Ufw() {
    HostFirewall f;
    f.state = HostFirewall::State::kActive;
    f.name = "ufw";
    f.detail = "ENABLED=yes in /etc/ufw/ufw.conf";
    f.openCommand = "sudo ufw allow quorrel-ip-configurator";
    return f;
}

const QString kUfwAdvice = "Брандмауэр ufw может не пропускать ответы контроллеров. Откройте "
                           "порты 6002-6004/udp: sudo ufw allow quorrel-ip-configurator";

// The balloon's advice keeps its words; it is given only for a firewall known to be active
// that is not known to admit the ports, and the Windows command fits the balloon.
TEST(NoReplyNoticeTest, FirewallAdviceOnlyForAKnownActiveFirewallThatIsClosed) {
    const auto advice = noreply::FirewallAdvice({{}, {}, Ufw()});
    ASSERT_TRUE(advice.has_value());
    EXPECT_EQ(advice->title, "Контроллеры не найдены");
    EXPECT_EQ(advice->text, kUfwAdvice);
    EXPECT_EQ(advice->seconds, 10);
    EXPECT_EQ(advice->kind, 2);
    EXPECT_EQ(advice->urgency, TNotifier::Urgency::kNews);

    HostFirewall open = Ufw();
    open.portsOpen = true;
    EXPECT_FALSE(noreply::FirewallAdvice({{}, {}, open}));
    EXPECT_FALSE(noreply::FirewallAdvice({{}, {}, core::FromWindowsPolicy({true, false, false})}));
    const auto windows =
        noreply::FirewallAdvice({{}, {}, core::FromWindowsPolicy({true, true, true})});
    ASSERT_TRUE(windows.has_value());
    EXPECT_LE(windows->text.size(), 255) << windows->text.toStdString(); // the balloon's room
    EXPECT_TRUE(windows->text.endsWith("localport=6002-6004 (as Administrator)"));
}

TEST(NoReplyNoticeTest, AccountNamesTheCardsAndTheFirewall) {
    struct Case {
        core::NoReplyFacts facts;
        QString text;
        QString line; // the window's, after "Нет ответа: "
    };
    const Case cases[] = {
        {{{{4, "eth0", "192.168.1.2", 24}, {7, "wlan0", "10.99.0.2", 16}}, {}, Ufw()},
         "Запрос ушёл через eth0 (192.168.1.2/24), wlan0 (10.99.0.2/16).\n" + kUfwAdvice,
         "возможно, мешает брандмауэр ufw"},
        {{{{7, "wlan0", "10.99.0.2", 16}}, {"eth1"}, {}},
         "Запрос ушёл через wlan0 (10.99.0.2/16).\nСетевая карта eth1 включена, но у неё нет "
         "адреса IPv4. Задайте адрес вручную, например: sudo ip address add 192.168.1.2/24 dev "
         "eth1",
         "у карты eth1 нет адреса IPv4"},
        {{{}, {"eth1"}, {}},
         "Запрос не ушёл ни через одну сетевую карту: ни у одной включённой карты нет адреса "
         "IPv4.\nСетевая карта eth1 включена, но у неё нет адреса IPv4. Задайте адрес вручную, "
         "например: sudo ip address add 192.168.1.2/24 dev eth1",
         "у карты eth1 нет адреса IPv4"},
        {{{}, {}, Ufw()},
         "Запрос не ушёл ни через одну сетевую карту: ни одна карта не включена.\n" + kUfwAdvice,
         "ни одна сетевая карта не включена"},
        {{{{4, "eth0", "192.168.1.2", 24}}, {"eth1", "usb0"}, {}},
         "Запрос ушёл через eth0 (192.168.1.2/24).\nСетевая карта eth1 включена, но у неё нет "
         "адреса IPv4. Задайте адрес вручную, например: sudo ip address add 192.168.1.2/24 dev "
         "eth1\nСетевая карта usb0 включена, но у неё нет адреса IPv4. Задайте адрес вручную, "
         "например: sudo ip address add 192.168.1.2/24 dev usb0",
         "у карт eth1, usb0 нет адреса IPv4"},
        {{{{4, "eth0", "192.168.1.2", 24}}, {}, {}},
         "Запрос ушёл через eth0 (192.168.1.2/24).",
         "запрос ушёл через eth0 (192.168.1.2/24)"},
    };
    for (const Case& c : cases) {
        const TNotifier::Message m = noreply::Account(c.facts);
        EXPECT_EQ(m.title, "Контроллеры не найдены");
        EXPECT_EQ(m.text, c.text);
        EXPECT_EQ(m.line, "Нет ответа: " + c.line);
        EXPECT_EQ(m.urgency, TNotifier::Urgency::kNews);
    }
}

} // namespace
