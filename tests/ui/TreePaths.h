// The captions of a tree as "root/subnet/controller" paths, in tree order: one line that
// shows both what the tree holds and in which order.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

inline std::vector<std::string> TreePaths(const QTreeWidget& tree) {
    std::vector<std::string> paths;
    std::function<void(const QTreeWidgetItem*, const std::string&)> walk =
        [&](const QTreeWidgetItem* item, const std::string& prefix) {
            const std::string path = prefix + item->text(0).toStdString();
            paths.push_back(path);
            for (int i = 0; i < item->childCount(); ++i)
                walk(item->child(i), path + "/");
        };
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        walk(tree.topLevelItem(i), "");
    return paths;
}
