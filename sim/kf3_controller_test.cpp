#include "sim/kf3_controller.h"

#include "sim/command_template.h"

#include <gtest/gtest.h>

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;

TEST(CommandTemplate, MatchesLiteralsIndexAndValueField)
{
    auto go = matchCommand("!Mg%dPxxxxxxx", "!Mg2P0012345");
    ASSERT_TRUE(go);
    EXPECT_EQ(go->index, 2);
    EXPECT_EQ(go->value, 12345);
    auto negative = matchCommand("!EwSlxxxxxxx", "!EwSl-001000");
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->value, -1000);
    EXPECT_TRUE(matchCommand("!MrP", "!MrP"));
    EXPECT_EQ(matchCommand("!Cr%d", "!Cr8")->index, 8);

    for (const char* wrong : {"!MrP ", "!Mr", "!MRP", ""})
        EXPECT_FALSE(matchCommand("!MrP", wrong)) << wrong;
    // The field has exactly its width, of digits with at most a leading sign.
    for (const char* wrong : {"!TwSp0250", "!TwSp002500", "!TwSp00-25", "!TwSp0025a", "!TwSp-----"})
        EXPECT_FALSE(matchCommand("!TwSpxxxxx", wrong)) << wrong;
    EXPECT_FALSE(matchCommand("!Pr%d", "!PrT"));
    EXPECT_FALSE(matchCommand("!Pw%dxxx", "!PwT001"));
}

class Kf3ControllerTest : public ::testing::Test {
protected:
    std::string send(const std::string& command)
    {
        std::string reply;
        for (char byte : command + "\r")
            reply += controller.onByte(byte);
        return reply;
    }

    std::chrono::steady_clock::time_point now{};
    Kf3Controller controller{[this] { return now; }};
};

TEST_F(Kf3ControllerTest, AnswersEveryCommandWithOneLine)
{
    EXPECT_EQ(send("!MrP"), "0\n\r");
    EXPECT_EQ(send("!MS"), "Ok\n\r");
    EXPECT_EQ(send("!Nonsense"), "Error\n\r");
    EXPECT_EQ(send(std::string(100, 'x')), "Error\n\r");
    EXPECT_EQ(send("!MrP"), "0\n\r"); // the over-long line left nothing behind
    EXPECT_EQ(send(""), "");          // a bare CR is no command
}

TEST_F(Kf3ControllerTest, KeepsEveryDriveParameter)
{
    const std::pair<const char*, const char*> exchanges[] = {
        {"!TwSt05", "!TrSt"},      {"!TwSp00250", "!TrSp"},   {"!PwT030", "!PrT"},
        {"!BwSt020", "!BrSt"},     {"!BwSp015", "!BrSp"},     {"!PwB040", "!PrB"},
        {"!EwSl-001000", "!ErSl"}, {"!EwSh0054321", "!ErSh"}, {"!Lw1S00010", "!Lr1S"},
        {"!Lw3S00030", "!Lr3S"},   {"!Pw2050", "!Pr2"},       {"!Cw0-000007", "!Cr0"},
        {"!Cw80001234", "!Cr8"},   {"!PwS000", "!PrS"},
    };
    const char* expected[] = {"5",     "250", "30", "20", "15", "40",   "-1000",
                              "54321", "10",  "30", "50", "-7", "1234", "0"};
    for (std::size_t i = 0; i < std::size(exchanges); ++i) {
        EXPECT_EQ(send(exchanges[i].first), "Ok\n\r") << exchanges[i].first;
        EXPECT_EQ(send(exchanges[i].second), std::string(expected[i]) + "\n\r") << exchanges[i].second;
    }
    Kf3Parameters p = controller.parameters();
    EXPECT_EQ(p.speedPulse, (std::array<int, 3>{10, 1, 30}));
    EXPECT_EQ(p.cells[8], 1234);
}

TEST_F(Kf3ControllerTest, RefusesIndicesOutsideTheirRange)
{
    for (const char* command : {"!Lw0S00010", "!Lw4S00010", "!Pr0", "!Pr4", "!Mg0P0000100", "!Mg4P0000100",
                                "!MlL0", "!MlR4", "!EwM4", "!CMw2"})
        EXPECT_EQ(send(command), "Error\n\r") << command;
    EXPECT_EQ(send("!Cr9"), "Error\n\r");
}

TEST_F(Kf3ControllerTest, ReportsModesByName)
{
    const char* names[] = {"None", "Hard", "Soft", "All"};
    for (int mode = 0; mode < 4; ++mode) {
        EXPECT_EQ(send("!EwM" + std::to_string(mode)), "Ok\n\r");
        EXPECT_EQ(send("!ErM"), std::string(names[mode]) + "\n\r");
    }
    EXPECT_EQ(send("!CMr"), "1 cell\n\r");
    EXPECT_EQ(send("!CMw1"), "Ok\n\r");
    EXPECT_EQ(send("!CMr"), "8 cell\n\r");
}

TEST_F(Kf3ControllerTest, MovesTowardTheTargetAtTheSpeedOfItsPulse)
{
    send("!Lw2S00004"); // 4 ms a step: 250 steps a second
    EXPECT_EQ(send("!Mg2P0000500"), "Ok\n\r");
    EXPECT_EQ(send("!MT"), "On\n\r");
    now += 1s;
    EXPECT_EQ(send("!MrP"), "250\n\r");
    now += 1s;
    EXPECT_EQ(send("!MrP"), "500\n\r");
    EXPECT_EQ(send("!MT"), "Off\n\r");

    EXPECT_EQ(send("!Mg1P-000500"), "Ok\n\r"); // 1000 steps a second
    now += 300ms;
    EXPECT_EQ(send("!MS"), "Ok\n\r");
    now += 1s;
    EXPECT_EQ(controller.position(), 200);
    EXPECT_FALSE(controller.moving());

    EXPECT_EQ(send("!MtL05"), "Ok\n\r");
    now += 1s;
    EXPECT_EQ(controller.position(), 195);
    EXPECT_EQ(send("!MtR02"), "Ok\n\r");
    now += 1s;
    EXPECT_EQ(controller.position(), 197);
}

TEST_F(Kf3ControllerTest, SoftLimitsBoundEveryMove)
{
    send("!EwSl-000100");
    send("!EwSh0000300");
    EXPECT_EQ(send("!Mg1P0005000"), "Ok\n\r");
    now += 10s;
    EXPECT_EQ(controller.position(), 5000); // soft limits off
    send("!EwM2");
    send("!Mg1P0005000");
    now += 10s;
    EXPECT_EQ(controller.position(), 300);
    EXPECT_EQ(send("!MlL3"), "Ok\n\r");
    now += 10s;
    EXPECT_EQ(controller.position(), -100);
    EXPECT_EQ(controller.target(), -100);

    send("!EwM0");
    EXPECT_EQ(send("!MlR1"), "Ok\n\r");
    EXPECT_EQ(controller.target(), Kf3Controller::kTravelLimit);
    now += 2s;
    EXPECT_EQ(send("!MS"), "Ok\n\r");
    EXPECT_EQ(controller.position(), 1900);
}

// The optics follow the motor through a play: after a reversal only once the motor
// has come back by that many steps, and the motor's own position is not affected.
TEST_F(Kf3ControllerTest, TheOpticsFollowTheMotorThroughItsPlay)
{
    send("!Mg1P0000100"); // 1000 steps a second
    now += 1s;
    EXPECT_EQ(controller.opticsPosition(), 100) << "no play by default";
    controller.setBacklash(30);
    EXPECT_EQ(controller.opticsPosition(), 100);
    send("!Mg1P0000200");
    now += 1s;
    EXPECT_EQ(controller.position(), 200);
    EXPECT_EQ(controller.opticsPosition(), 170) << "pulled up 30 steps behind";
    send("!Mg1P0000050");
    now += 20ms;
    EXPECT_EQ(controller.position(), 180);
    EXPECT_EQ(controller.opticsPosition(), 170) << "the play is being taken up";
    now += 20ms;
    EXPECT_EQ(controller.opticsPosition(), 160);
    now += 1s;
    EXPECT_EQ(controller.opticsPosition(), 50) << "pushed down with the motor";
    // Up and back again within the play: the optics never move.
    send("!Mg1P0000075");
    now += 1s;
    send("!Mg1P0000060");
    now += 1s;
    EXPECT_EQ(controller.position(), 60);
    EXPECT_EQ(controller.opticsPosition(), 50);
    // A stop mid-way keeps what the motor reached.
    send("!Mg1P0000500");
    now += 200ms;
    send("!MS");
    now += 1s;
    EXPECT_EQ(controller.position(), 260);
    EXPECT_EQ(controller.opticsPosition(), 230);
    controller.setBacklash(-5);
    EXPECT_EQ(controller.opticsPosition(), 260) << "no play: the optics are the motor again";
}

} // namespace
} // namespace velmora::sim
