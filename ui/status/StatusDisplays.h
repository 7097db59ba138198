// The status displays as the window's search and write use them: the marquee and the
// progress indicator implement these; tests implement them with fakes. Texts are UTF-8.
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
