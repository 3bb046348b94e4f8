#include <sys/time.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bps/bps.h"
#include "bps/navigator.h"
#include "screen/screen_events.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "support/PendingEvents.h"
#include "support/Sandbox.h"

namespace {

// What one drain delivered, as short texts.
std::vector<std::string> Drain()
{
    std::vector<std::string> seen;
    VornTest::ForEachPendingEvent([&](bps_event_t* e) {
        if (bps_event_get_domain(e) == navigator_get_domain()) {
            unsigned code = bps_event_get_code(e);
            std::string text = "nav " + std::to_string(code);
            if (code == NAVIGATOR_WINDOW_STATE)
                text += " " + std::to_string(navigator_event_get_window_state(e));
            else if (code == NAVIGATOR_ORIENTATION || code == NAVIGATOR_ORIENTATION_CHECK)
                text += " " + std::to_string(navigator_event_get_orientation_angle(e));
            seen.push_back(text);
        } else {
            int type = 0, pos[2] = {0, 0}, id = 0;
            screen_event_t s = screen_event_get_event(e);
            screen_get_event_property_iv(s, SCREEN_PROPERTY_TYPE, &type);
            screen_get_event_property_iv(s, SCREEN_PROPERTY_SOURCE_POSITION, pos);
            screen_get_event_property_iv(s, SCREEN_PROPERTY_TOUCH_ID, &id);
            seen.push_back("screen " + std::to_string(type) + " " + std::to_string(pos[0]) + " " +
                           std::to_string(pos[1]) + " " + std::to_string(id));
        }
    });
    return seen;
}

long long NowUs()
{
    timeval tv;
    standin_gettimeofday(&tv);
    return tv.tv_sec * 1000000LL + tv.tv_usec;
}

class EventScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        standin_set_backend(STANDIN_BACKEND_HEADLESS);
        bps_shutdown();
        ASSERT_EQ(bps_initialize(), BPS_SUCCESS);
        navigator_request_events(0);
        screen_request_events(reinterpret_cast<screen_context_t>(0x1));
        standin_clock_set_step(16);
    }
    void TearDown() override
    {
        bps_shutdown();
        standin_clock_set_step(16);
    }

    // Loads text as a script; the message when it is refused.
    std::string Load(const std::string& text)
    {
        std::string path = sandbox.Path() + "/events";
        VornTest::WriteText(path, text);
        char* message = nullptr;
        int result = standin_load_event_script(path.c_str(), &message);
        std::string out = message ? message : "";
        bps_free(message);
        return result == 0 ? std::string() : (out.empty() ? "refused" : out);
    }

    VornTest::Sandbox sandbox;
};

} // namespace

TEST_F(EventScript, BatchesArriveInTheirDrainsAndTheClockFollowsTheSteps)
{
    ASSERT_EQ(Load("# a comment line\n"
                   "step 40\n"
                   "touch 10 20 0   # down\n"
                   "move 11 21 0\n"
                   "frames 2\n"
                   "release 12 22 0\n"
                   "state thumbnail\n"
                   "frames 1\n"
                   "orientation-check 90\n"
                   "orientation 90\n"
                   "inactive\n"
                   "active\n"
                   "exit\n"),
              "");
    EXPECT_EQ(standin_event_script_running(), 1);
    long long start = NowUs();
    std::vector<std::string> first = Drain();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0], "screen 100 10 20 0");
    EXPECT_EQ(first[1], "screen 101 11 21 0");
    EXPECT_EQ(NowUs() - start, 40000) << "the step applies from the drain it is read in";
    EXPECT_TRUE(Drain().empty());
    EXPECT_TRUE(Drain().empty());
    std::vector<std::string> second = Drain();
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0], "screen 102 12 22 0");
    EXPECT_EQ(second[1], "nav 3 1");
    EXPECT_TRUE(Drain().empty());
    std::vector<std::string> third = Drain();
    std::vector<std::string> expected = {"nav 7 90", "nav 8 90", "nav 11", "nav 10", "nav 2"};
    EXPECT_EQ(third, expected);
    EXPECT_EQ(standin_event_script_running(), 0);
    EXPECT_EQ(NowUs() - start, 6 * 40000);
}

TEST_F(EventScript, RefusedScriptsNameTheirLineAndChangeNothing)
{
    ASSERT_EQ(Load("touch 1 2 3\nframes 5\n"), "");
    const char* bad[] = {
        "touch 1 2\n",             // missing id
        "touch 1 2 3 4\n",         // too many
        "touch a 2 3\n",           // not a number
        "touch 1 2 -1\n",          // negative id
        "frames 0\n",              // no drains
        "step 0\n",                // no time
        "orientation 45\n",        // not a right angle
        "orientation 360\n",
        "state sideways\n",
        "jump\n",
    };
    for (const char* text : bad) {
        std::string message = Load(std::string("exit\n") + text);
        EXPECT_NE(message.find("line 2"), std::string::npos) << text << " gave: " << message;
    }
    char* message = nullptr;
    EXPECT_EQ(standin_load_event_script("/nonexistent/events", &message), -1);
    ASSERT_NE(message, nullptr);
    bps_free(message);

    // The script loaded first is still the one that plays.
    std::vector<std::string> first = Drain();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0], "screen 100 1 2 3");
}

TEST_F(EventScript, StoppingTheServicesEndsTheScript)
{
    ASSERT_EQ(Load("frames 3\nexit\n"), "");
    EXPECT_EQ(standin_event_script_running(), 1);
    bps_shutdown();
    EXPECT_EQ(standin_event_script_running(), 0);
}
