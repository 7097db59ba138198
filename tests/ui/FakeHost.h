// Stand-ins for the window's status displays and fields, recording what the window's search
// and write do to them; the tree's model is the window's own.
#pragma once

#include "CheckTree.h"
#include "StatusDisplays.h"
#include "UDPDriverQuorrelConf.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class FakeMarquee : public IStatusMarquee {
public:
    void SetCaption(const std::string& text) override {
        if (text == caption)
            return;
        caption = text;
        history.push_back(text);
    }
    std::string Caption() const override { return caption; }
    std::string caption;
    std::vector<std::string> history;
};

// Records every call in order, e.g. "total 150", "parts 2", "percent 0".
class FakeProgress : public IProgressIndicator {
public:
    void SetTotalParts(int32_t t) override {
        calls.push_back("total " + std::to_string(t));
        total = t;
    }
    int32_t TotalParts() const override { return total; }
    void SetPartsComplete(int32_t p) override {
        calls.push_back("parts " + std::to_string(p));
        parts = p;
    }
    int32_t PartsComplete() const override { return parts; }
    void SetPercent(int16_t p) override {
        calls.push_back("percent " + std::to_string(p));
        percent = p;
    }
    int16_t Percent() const override { return percent; }

    int32_t total = 0;
    int32_t parts = 0;
    int16_t percent = 0;
    std::vector<std::string> calls;
};

// The texts of the window's address fields.
struct FakeFields {
    void Set(std::string ipText, std::string maskText, std::string gatewayText) {
        ip = std::move(ipText);
        mask = std::move(maskText);
        gateway = std::move(gatewayText);
    }
    std::string ip, gateway, mask;
};

// All of the window a search reaches, wired into one context.
struct FakeWindow {
    FakeWindow() {
        context.tree = &tree;
        context.marquee = &marquee;
        context.progress = &progress;
        context.table = &table;
    }
    FakeWindow(const FakeWindow&) = delete;
    FakeWindow& operator=(const FakeWindow&) = delete;

    TDeviceModel tree{QStringLiteral("Quorrel")};
    FakeMarquee marquee;
    FakeProgress progress;
    core::Controllers table;
    FakeFields fields;
    DriverContext context;
};
