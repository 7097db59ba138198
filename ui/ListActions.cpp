#include "ListActions.h"

#include "CheckTree.h"
#include "ControllerList.h"
#include "MessDlgs.h"
#include "WindowText.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QSaveFile>
#include <QShortcut>

namespace {

// Why a list could not be written to path, in the window's words where the reason is known.
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

} // namespace

QString ListFileName(const QDateTime& localTime) {
    return QStringLiteral("controllers-%1.csv")
        .arg(localTime.toString(QStringLiteral("yyyy-MM-dd-HHmm")));
}

TListActions::TListActions(TRzCheckTree* tree, const core::Controllers& devices)
    : QObject(tree), tree_(tree), devices_(devices), folder_(QDir::homePath()) {
    tree_->installEventFilter(this);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this, &TListActions::ShowMenu);
    auto* save = new QShortcut(QKeySequence::Save, tree_->window());
    connect(save, &QShortcut::activated, this, &TListActions::SaveList);
}

const core::Controller* TListActions::SelectedController() const {
    return devices_.Find(TTreeNode::LineOf(tree_->currentItem()));
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
    menu.exec(tree_->viewport()->mapToGlobal(at));
}
