// What the window's search and write need of the main window. The window's tree, status
// displays and parameter fields implement these; tests implement them with fakes.
// All texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>

// The one-line status text of the window ("Статус операции").
class IStatusMarquee {
public:
    virtual ~IStatusMarquee() = default;
    // Setting the text the marquee already shows does nothing.
    virtual void SetCaption(const std::string& text) = 0;
    virtual std::string Caption() const = 0;
};

// The progress indicator with its three counters. The setters follow the indicator's own
// rules (a total equal to the current one changes nothing, completed parts are limited to
// the total, a changed percentage is painted at once).
class IProgressIndicator {
public:
    virtual ~IProgressIndicator() = default;
    virtual void SetTotalParts(int32_t total) = 0;
    virtual int32_t TotalParts() const = 0;
    virtual void SetPartsComplete(int32_t parts) = 0;
    virtual int32_t PartsComplete() const = 0;
    virtual void SetPercent(int16_t percent) = 0;
    virtual int16_t Percent() const = 0;
};

// The device tree as discovery uses it. A node handle stays valid until the node is
// deleted; discovery fetches the root afresh for every reply and keeps no handle between
// replies, so a command run while a search listens may delete nodes meanwhile.
class IDeviceTree {
public:
    using Node = void*;
    virtual ~IDeviceTree() = default;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    virtual Node FirstNode() = 0; // the root node, or nullptr for an empty tree
    virtual int ChildCount(Node node) = 0;
    virtual Node Child(Node node, int index) = 0;
    virtual std::string Caption(Node node) = 0;
    // The first child of node whose caption is caption, or nullptr. Here: the children in
    // turn; a tree may keep an index instead.
    virtual Node FindChild(Node node, const std::string& caption) {
        const int count = ChildCount(node);
        for (int i = 0; i < count; ++i)
            if (Node child = Child(node, i); Caption(child) == caption)
                return child;
        return nullptr;
    }
    // Appended last. line: the number of the controller the node shows (core::Controllers;
    // 0: none, a subnet node).
    virtual Node AddChild(Node parent, const std::string& caption, int line = 0) = 0;
    virtual void MarkHasChildren(Node node) = 0;
    // Leaves every node of the tree expanded, with automatic selection on expansion
    // switched off meanwhile and restored afterwards.
    virtual void FullExpand() = 0;
};
