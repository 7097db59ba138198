// The clock of the receive wait: the local date and time as days since 30 December 1899.
// Windows and Linux find the time-zone offset with different calls (localtime_s and
// _mkgmtime, tm_gmtoff); both must give what the local calendar says.
#include "WSA_UDP.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

namespace {

void SetTimeZone(const std::string& tz) {
#ifdef _WIN32
    _putenv_s("TZ", tz.c_str());
    _tzset();
#else
    if (tz.empty())
        unsetenv("TZ");
    else
        setenv("TZ", tz.c_str(), 1);
    tzset();
#endif
}

// Days from 30 December 1899 to a date of the Gregorian calendar.
int64_t DaysFrom1899(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 693899; // 1 March of year 0 to 30 December 1899
}

// What the local calendar says now, to the second, in the same days. The second comes from
// the clock the product reads: time() may lag it by a tick just after a second begins.
double CalendarDays() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    const int seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return static_cast<double>(
               DaysFrom1899(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday)) +
           seconds / 86400.0;
}

TEST(ClockCalendar, KnownDates) {
    EXPECT_EQ(DaysFrom1899(1899, 12, 30), 0);
    EXPECT_EQ(DaysFrom1899(1900, 3, 1), 61);
    EXPECT_EQ(DaysFrom1899(2000, 1, 1), 36526);
}

class LocalClock : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        savedTz_ = tz != nullptr ? tz : "";
    }
    void TearDown() override { SetTimeZone(savedTz_); }

private:
    std::string savedTz_;
};

TEST_P(LocalClock, ReadsTheLocalCalendar) {
    SetTimeZone(GetParam());
    double before = 0, clock = 0, after = 0;
    // A thread of its own: the clock keeps the offset of the current second per thread.
    std::thread([&] {
        before = CalendarDays();
        clock = LocalClockDays();
        after = CalendarDays();
    }).join();
    // Days and seconds are summed in another order than the clock sums them; a microsecond
    // of slack absorbs the last bit when the clock falls exactly on a second.
    const double slack = 1e-6 / 86400;
    EXPECT_GE(clock, before - slack) << "TZ=" << GetParam();
    EXPECT_LT(clock, after + 1.0 / 86400 + slack) << "TZ=" << GetParam();
}

// Zones without daylight saving time, east and west of Greenwich and off the hour.
INSTANTIATE_TEST_SUITE_P(Zones, LocalClock,
                         ::testing::Values("UTC0", "XYZ-5", "ABC+7", "IST-5:30", "NST+3:30"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return "Zone" + std::to_string(info.index);
                         });

} // namespace
