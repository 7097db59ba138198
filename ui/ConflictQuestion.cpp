#include "ConflictQuestion.h"

#include "MessDlgs.h"
#include "WindowText.h"

QString SharedMacRefusal(const core::Mac& mac, const std::vector<core::Ip4>& addresses) {
    return QStringLiteral("MAC %1 ответили %2: запись широковещанием изменит все эти контроллеры")
        .arg(Text(core::MacText(mac)), CommaList(addresses, [](const core::Ip4& address) {
                 return Text(core::DottedQuad(address));
             }));
}

QStringList ConflictCases(const core::WriteConflicts& conflicts, const core::Controller& target,
                          const core::ControllerRecord& wanted) {
    const QString ip = Text(wanted.IpText());
    QStringList cases;
    if (!conflicts.addressTakenBy.empty()) {
        const auto& macs = conflicts.addressTakenBy;
        cases << (macs.size() == 1 ? QStringLiteral("%1 — адрес другого найденного контроллера "
                                                    "(%2): два контроллера будут отвечать с "
                                                    "одного адреса.")
                                   : QStringLiteral("%1 — адрес других найденных контроллеров "
                                                    "(%2): несколько контроллеров будут "
                                                    "отвечать с одного адреса."))
                     .arg(ip, CommaList(macs, [](const core::Mac& mac) {
                              return Text(core::MacText(mac));
                          }));
    }
    if (const auto& mac = conflicts.addressHeldByDevice)
        cases << QStringLiteral("%1 — адрес занят другим устройством (%2), которое не отвечает "
                                "как контроллер.")
                     .arg(ip, Text(core::MacText(*mac)));
    if (conflicts.ownAddress)
        cases << QStringLiteral("%1 — адрес этого компьютера: компьютер и контроллер будут "
                                "отвечать с одного адреса.")
                     .arg(ip);
    if (const auto& card = conflicts.leavesSubnetOf)
        cases << QStringLiteral("%1 — вне подсети карты %2 (%3/%4), через которую ответил "
                                "контроллер %5: после записи его найдёт только "
                                "широковещательный поиск.")
                     .arg(ip, Text(card->name), Text(core::DottedQuad(card->address)))
                     .arg(card->prefix)
                     .arg(Text(core::DottedQuad(target.address)));
    if (conflicts.gatewayOutside)
        cases << QStringLiteral("Шлюз %1 — вне подсети %2 с маской %3: шлюз будет недоступен "
                                "контроллеру.")
                     .arg(Text(wanted.GatewayText()), ip, Text(wanted.MaskText()));
    return cases;
}

QString ConflictQuestion(const core::WriteConflicts& conflicts, const core::Controller& target,
                         const core::ControllerRecord& wanted) {
    const QStringList cases = ConflictCases(conflicts, target, wanted);
    if (cases.isEmpty())
        return {};
    return cases.join(QLatin1Char('\n')) + QStringLiteral("\n\nВсё равно записать параметры?");
}

bool AskAboutConflicts(const core::WriteConflicts& conflicts, const core::Controller& target,
                       const core::ControllerRecord& wanted) {
    const QString question = ConflictQuestion(conflicts, target, wanted);
    return question.isEmpty() || MessageDialogDefault(question, dkConfirmation, {dbYes, dbNo},
                                                      dbNo) == DialogButtonResult(dbYes);
}
