// The captions of a tree as "root/subnet/controller" paths, in tree order: one line that
// shows both what the tree holds and in which order.
#pragma once

#include <QAbstractItemModel>
#include <functional>
#include <string>
#include <vector>

inline std::vector<std::string> TreePaths(const QAbstractItemModel& model) {
    std::vector<std::string> paths;
    std::function<void(const QModelIndex&, const std::string&)> walk =
        [&](const QModelIndex& parent, const std::string& prefix) {
            for (int row = 0; row < model.rowCount(parent); ++row) {
                const QModelIndex node = model.index(row, 0, parent);
                const std::string path = prefix + node.data().toString().toStdString();
                paths.push_back(path);
                walk(node, path + "/");
            }
        };
    walk({}, "");
    return paths;
}
