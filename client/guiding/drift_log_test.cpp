#include "client/guiding/drift_log.h"

#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>

using velmora::client::DriftLog;
using velmora::testing::readFile;
using velmora::testing::TempHome;

namespace {
std::time_t localTime(int year, int month, int day, int hour, int minute)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}
} // namespace

TEST(DriftLog, FileNameComesFromTheTemplateAndTheStartMinute)
{
    std::time_t start = localTime(2026, 12, 8, 5, 45);
    EXPECT_EQ(DriftLog::runFileName("C:\\DriftLog.txt", start), "C:\\DriftLog_(08.12.2026 05-45).txt");
    EXPECT_EQ(DriftLog::runFileName("/logs/run.log", start), "/logs/run_(08.12.2026 05-45).txt");
    EXPECT_EQ(DriftLog::runFileName("abc", start), "_(08.12.2026 05-45).txt")
        << "short templates do not underflow";
}

TEST(DriftLog, WritesHeaderAndOneCrLfLinePerFrame)
{
    TempHome home;
    std::time_t start = localTime(2026, 1, 2, 23, 4);
    DriftLog log;
    ASSERT_TRUE(log.open(home.path() + "/DriftLog.txt", start));
    EXPECT_EQ(log.fileName(), home.path() + "/DriftLog_(02.01.2026 23-04).txt");
    log.close();
    EXPECT_EQ(readFile(log.fileName()), "TIME\t\tHORIZONTAL\t\tVERTICAL\r\n") << "a run without frames";

    ASSERT_TRUE(log.open(home.path() + "/DriftLog.txt", start)); // same minute: truncates
    log.append(0.5, -0.125, 12.0);
    log.append(1.756, 0.0004, -3.14159);
    EXPECT_EQ(readFile(log.fileName()), "TIME\t\tHORIZONTAL\t\tVERTICAL\r\n"
                                        "0.50\t\t-0.125\t\t12.000\r\n"
                                        "1.76\t\t0.000\t\t-3.142\r\n")
        << "lines are on disk before Stop";
    log.close();
    EXPECT_FALSE(log.hadWriteError());
}

TEST(DriftLog, UncreatableFileLeavesTheLogClosed)
{
    TempHome home;
    DriftLog log;
    EXPECT_FALSE(log.open(home.path() + "/no/such/folder/DriftLog.txt", std::time(nullptr)));
    EXPECT_FALSE(log.isOpen());
    log.append(1, 2, 3); // harmless
    log.close();
}
