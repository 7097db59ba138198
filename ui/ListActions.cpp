#include "ListActions.h"

#include "CheckTree.h"
#include "MessDlgs.h"
#include "Notifier.h"
#include "Plan.h"
#include "PlanApply.h"
#include "SiteMarks.h"
#include "WindowText.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QSaveFile>
#include <QShortcut>
#include <variant>

QString WhyNotSaved(const QString& path, const QSaveFile& file) {
    const QFileInfo info(path);
    const QString folder = QDir::toNativeSeparators(info.absolutePath());
    if (!QFileInfo(info.absolutePath()).isDir())
        return QStringLiteral("папки %1 нет").arg(folder);
    if (!QFileInfo(info.absolutePath()).isWritable())
        return QStringLiteral("нет права записи в папку %1").arg(folder);
    if (info.exists() && !info.isWritable())
        return QStringLiteral("нет права записи в этот файл");
    return file.errorString();
}

namespace {

// What is wrong, in the window's words.
QString Why(const core::ListError& error) {
    using Why = core::ListError::Why;
    const QString text = Text(error.text);
    switch (error.why) {
    case Why::kNotJson:
        return QStringLiteral("это не JSON (%1)").arg(text);
    case Why::kNotAnObject:
        return QStringLiteral("элемент массива — не объект");
    case Why::kNoHeader:
        return QStringLiteral("его нет в строке заголовка");
    case Why::kBadQuote:
        return QStringLiteral("кавычки поля не закрыты");
    case Why::kFieldCount:
        return QStringLiteral("число полей не то, что в строке заголовка");
    case Why::kMissing:
        return QStringLiteral("поля нет");
    case Why::kBadValue:
        return QStringLiteral("неверное значение «%1»").arg(text);
    }
    return text;
}

} // namespace

QString ListRefusal(const QString& path, const core::ListError& error) {
    QString where = QStringLiteral("строка %1").arg(error.line);
    if (error.column)
        where += QStringLiteral(", поле ") + Text(core::ColumnName(*error.column));
    return QStringLiteral("Файл %1 не открыт как список контроллеров: %2: %3")
        .arg(QDir::toNativeSeparators(path), where, Why(error));
}

QString ListFileName(const QDateTime& localTime) {
    return QStringLiteral("controllers-%1.csv")
        .arg(localTime.toString(QStringLiteral("yyyy-MM-dd-HHmm")));
}

TListActions::TListActions(TRzCheckTree* tree, const core::Controllers& devices, TSiteMarks* marks,
                           TNotifier* notifier, TPlanApply* plan)
    : QObject(tree), tree_(tree), devices_(devices), marks_(marks), notifier_(notifier),
      plan_(plan), folder_(QDir::homePath()) {
    tree_->installEventFilter(this);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this, &TListActions::ShowMenu);
    auto* save = new QShortcut(QKeySequence::Save, tree_->window());
    connect(save, &QShortcut::activated, this, &TListActions::SaveList);
    auto* open = new QShortcut(QKeySequence::Open, tree_->window());
    connect(open, &QShortcut::activated, this, &TListActions::OpenList);
    auto* changes = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), tree_->window());
    connect(changes, &QShortcut::activated, this, &TListActions::ChangesAsked);
}

const core::Controller* TListActions::SelectedController() const {
    return devices_.Find(tree_->SelectedId());
}

bool TListActions::CopySelected() {
    const core::Controller* controller = SelectedController();
    if (controller == nullptr)
        return false;
    QGuiApplication::clipboard()->setText(Text(core::TabLine(*controller)));
    return true;
}

void TListActions::SaveList() {
    const QString path = QFileDialog::getSaveFileName(
        tree_->window(), QStringLiteral("Сохранить список"),
        QDir(folder_).filePath(ListFileName(QDateTime::currentDateTime())),
        QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    folder_ = QFileInfo(path).absolutePath();
    const std::string csv = core::ControllersCsv(devices_);
    // Written beside the file and put in its place only when whole.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(csv.data(), static_cast<qint64>(csv.size())) ==
            static_cast<qint64>(csv.size()) &&
        file.commit())
        return;
    ShowErrorMessage(QStringLiteral("Список не сохранён в %1: %2")
                         .arg(QDir::toNativeSeparators(path), WhyNotSaved(path, file)));
}

void TListActions::OpenList() {
    const QString path = QFileDialog::getOpenFileName(
        tree_->window(), QStringLiteral("Открыть список"), folder_,
        QStringLiteral("Списки контроллеров (*.csv *.json);;Все файлы (*)"));
    OpenFile(path);
}

void TListActions::OpenPlan() {
    OpenFile(QFileDialog::getOpenFileName(tree_->window(), QStringLiteral("Открыть план"), folder_,
                                          QStringLiteral("Планы (*.csv);;Все файлы (*)")));
}

void TListActions::OpenFile(const QString& path) {
    if (path.isEmpty())
        return;
    folder_ = QFileInfo(path).absolutePath();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowErrorMessage(QStringLiteral("Файл %1 не открыт: %2")
                             .arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    const QByteArray bytes = file.readAll();
    const std::string_view text(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (core::IsPlanText(text)) {
        plan_->Open(path, text);
        return;
    }
    auto read = core::ReadList(text);
    if (const auto* error = std::get_if<core::ListError>(&read)) {
        ShowErrorMessage(ListRefusal(path, *error));
        return;
    }
    const auto& list = std::get<core::Controllers>(read);
    notifier_->ShowInWindow({QStringLiteral("Список открыт"),
                             QStringLiteral("%1: контроллеров %2. Следующий широковещательный "
                                            "поиск будет сравнён с ним.")
                                 .arg(QDir::toNativeSeparators(path))
                                 .arg(list.Count()),
                             TNotifier::kBalloonSeconds, TNotifier::Kind::kInformation,
                             QStringLiteral("Список открыт: контроллеров %1").arg(list.Count())});
    marks_->CompareNextWith(list);
}

// Ctrl+C on a controller node copies its line; on any other node the tree copies the
// caption as it does by itself.
bool TListActions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
        return CopySelected();
    return QObject::eventFilter(watched, event);
}

void TListActions::ShowMenu(const QPoint& at) {
    QMenu menu(tree_);
    QAction* copy = menu.addAction(QStringLiteral("Копировать"), this, &TListActions::CopySelected);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(SelectedController() != nullptr);
    menu.addAction(QStringLiteral("Сохранить список…"), this, &TListActions::SaveList)
        ->setShortcut(QKeySequence::Save);
    menu.addAction(QStringLiteral("Открыть список…"), this, &TListActions::OpenList)
        ->setShortcut(QKeySequence::Open);
    menu.addAction(QStringLiteral("Изменения за сеанс…"), this, &TListActions::ChangesAsked)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    menu.addAction(QStringLiteral("Открыть план…"), this, &TListActions::OpenPlan);
    menu.addAction(QStringLiteral("Применить план"), plan_, &TPlanApply::Apply)
        ->setEnabled(plan_->CanApply());
    menu.exec(tree_->viewport()->mapToGlobal(at));
}
