// velmora-call run as users run it, against the test server.
#include "platform/automation/testserver/test_object.h"
#include "platform/automation/testserver/test_server_registration.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <vector>

extern char** environ;

using namespace velmora::automation::testing;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class VelmoraCallTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registerTestServer(testServerCommand())); }

    Outcome run(std::vector<std::string> arguments)
    {
        const std::string out = home.path() + "/out.txt", err = home.path() + "/err.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        arguments.insert(arguments.begin(), VELMORA_CALL_PATH);
        std::vector<char*> argv;
        for (std::string& a : arguments)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        Outcome result;
        if (posix_spawn(&pid, VELMORA_CALL_PATH, &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = velmora::testing::readFile(out);
        result.err = velmora::testing::readFile(err);
        return result;
    }

    velmora::testing::TempHome home;
};

TEST_F(VelmoraCallTest, StepsRunInOrderWithOneLinePerStep)
{
    const Outcome r =
        run({kTestProgId, "put",   "Value", "i4:5",     "get",   "Value", "call",  "Concat",     "a",
             "str:get",   "3",     "call",  "Subtract", "i2:-1", "0.5",   "put",   "ReadyAfter", "50",
             "wait-true", "Ready", "2000",  "sleep",    "1",     "get",   "Names", "release"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("Value = 5\n"
              "Value = 5\n"
              "Concat = a|get|3\n"
              "Subtract = -1.5\n"
              "ReadyAfter = 50\n"
              "Ready = true\n"
              "sleep = 1\n"
              "Names = [3 variant]\n"
              "release = ok\n",
              r.out);
}

TEST_F(VelmoraCallTest, ArraysPrintTheirShapeAndDumpTheirElements)
{
    const std::string dump = home.path() + "/image.bin";
    const Outcome r = run({"--dump", dump, kTestProgId, "put", "ImageWidth", "640", "put", "ImageHeight",
                           "480", "put", "ImagePlanes", "3", "get", "ImageArray"});
    ASSERT_EQ(0, r.status) << r.err;
    long long sum = 0;
    int low = 1 << 30, high = -1;
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                const int v = imageValue(x, y, p);
                sum += v;
                low = std::min(low, v);
                high = std::max(high, v);
            }
    const std::string expected = "ImageArray = [640x480x3 i4 min=" + std::to_string(low) +
                                 " max=" + std::to_string(high) + " sum=" + std::to_string(sum) + "]\n";
    EXPECT_NE(std::string::npos, r.out.find(expected)) << r.out;
    const std::string bytes = velmora::testing::readFile(dump);
    ASSERT_EQ(640u * 480 * 3 * 4, bytes.size());
    std::int32_t last = 0, second = 0;
    std::memcpy(&second, bytes.data() + 4, 4);
    std::memcpy(&last, bytes.data() + bytes.size() - 4, 4);
    EXPECT_EQ(imageValue(1, 0, 0), second);
    EXPECT_EQ(imageValue(639, 479, 2), last);
}

TEST_F(VelmoraCallTest, AFailingStepPrintsTheErrorAndEndsTheRun)
{
    Outcome r = run({kTestProgId, "get", "Value", "call", "Fail", "Not Connected", "get", "Value"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("Value = 0\nFail: error 0x80020009 \"Not Connected\"\n", r.out);

    r = run({kTestProgId, "get", "NoSuchMember"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("NoSuchMember: error 0x80020006 \"Unknown name.\"\n", r.out);

    r = run({kTestProgId, "put", "ReadyAfter", "5000", "wait-true", "Ready", "60"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("Ready: error 0x800705B4 "));

    r = run({kTestProgId, "release", "get", "Value"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("release = ok\nValue: error 0x80004003 \"Invalid pointer\"\n", r.out);

    r = run({"Velmora.NotRegistered", "get", "Value"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("Velmora.NotRegistered: error 0x800401F3 \"Invalid class string\"\n", r.out);

    r = run({"--dump", home.path() + "/none.bin", kTestProgId, "get", "Value"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("no array to dump"));
}

TEST_F(VelmoraCallTest, UsageErrorsExitWithTwoAndHelpDocumentsTheSteps)
{
    Outcome r = run({kTestProgId, "jump", "Value"});
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find("unknown step 'jump'"));
    EXPECT_TRUE(r.out.empty());
    r = run({});
    EXPECT_EQ(2, r.status);
    r = run({"--help"});
    EXPECT_EQ(0, r.status);
    for (const char* word : {"get MEMBER", "put MEMBER VALUE", "call MEMBER", "wait-true MEMBER MS",
                             "sleep MS", "release", "--dump FILE", "i2:-1", "bool:true", "Exit status"})
        EXPECT_NE(std::string::npos, r.out.find(word)) << word;
}

} // namespace
