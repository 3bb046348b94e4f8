#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "bps/bps.h"
#include "bps/mmrenderer.h"
#include "bps/navigator.h"
#include "screen/screen_events.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "support/Sandbox.h"

namespace {

// Headless services started in a sandbox (so that starting them changes no directory), with
// navigator and screen events requested.
class Events : public ::testing::Test {
protected:
    void SetUp() override
    {
        standin_set_backend(STANDIN_BACKEND_HEADLESS);
        bps_shutdown();
        standin_clear_events();
        ASSERT_EQ(bps_initialize(), BPS_SUCCESS);
        ASSERT_EQ(navigator_request_events(0), BPS_SUCCESS);
        ASSERT_EQ(screen_request_events(Context()), 0);
    }
    void TearDown() override
    {
        bps_shutdown();
        for (const char* call : {"navigator_request_events", "navigator_invoke", "bps_initialize"})
            standin_fail_call(call, 0);
    }

    static screen_context_t Context() { return reinterpret_cast<screen_context_t>(0x1); }

    static bps_event_t* Next()
    {
        bps_event_t* event = reinterpret_cast<bps_event_t*>(0x1);
        EXPECT_EQ(bps_get_event(&event, 0), BPS_SUCCESS);
        return event;
    }

    VornTest::Sandbox sandbox;
};

struct Touch {
    int type = -1;
    int position[2] = {-1, -1};
    int id = -1;
};

Touch ReadTouch(bps_event_t* event)
{
    Touch t;
    screen_event_t screen = screen_event_get_event(event);
    EXPECT_NE(screen, nullptr);
    EXPECT_EQ(screen_get_event_property_iv(screen, SCREEN_PROPERTY_TYPE, &t.type), 0);
    EXPECT_EQ(screen_get_event_property_iv(screen, SCREEN_PROPERTY_SOURCE_POSITION, t.position), 0);
    EXPECT_EQ(screen_get_event_property_iv(screen, SCREEN_PROPERTY_TOUCH_ID, &t.id), 0);
    return t;
}

} // namespace

TEST_F(Events, DeliveredInOrderWithTheirPayloads)
{
    standin_queue_navigator_event(NAVIGATOR_WINDOW_STATE, NAVIGATOR_WINDOW_THUMBNAIL);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, 12, 34, 3);
    standin_queue_navigator_event(NAVIGATOR_ORIENTATION, 270);
    standin_queue_navigator_event(NAVIGATOR_EXIT, 0);

    bps_event_t* e = Next();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(bps_event_get_domain(e), navigator_get_domain());
    EXPECT_EQ(bps_event_get_code(e), unsigned(NAVIGATOR_WINDOW_STATE));
    EXPECT_EQ(navigator_event_get_window_state(e), NAVIGATOR_WINDOW_THUMBNAIL);

    e = Next();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(bps_event_get_domain(e), screen_get_domain());
    Touch t = ReadTouch(e);
    EXPECT_EQ(t.type, SCREEN_EVENT_MTOUCH_TOUCH);
    EXPECT_EQ(t.position[0], 12);
    EXPECT_EQ(t.position[1], 34);
    EXPECT_EQ(t.id, 3);
    // A navigator accessor on a screen event answers nothing useful rather than crashing.
    EXPECT_EQ(navigator_event_get_orientation_angle(e), BPS_FAILURE);

    e = Next();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(navigator_event_get_orientation_angle(e), 270);
    EXPECT_EQ(screen_event_get_event(e), nullptr);

    e = Next();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(bps_event_get_code(e), unsigned(NAVIGATOR_EXIT));
    EXPECT_EQ(Next(), nullptr);
}

TEST_F(Events, UnknownEventPropertyIsRefused)
{
    standin_queue_touch(SCREEN_EVENT_MTOUCH_MOVE, 1, 2, 0);
    bps_event_t* e = Next();
    ASSERT_NE(e, nullptr);
    int value = 77;
    errno = 0;
    EXPECT_EQ(screen_get_event_property_iv(screen_event_get_event(e), 9999, &value), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(screen_get_event_property_iv(nullptr, SCREEN_PROPERTY_TYPE, &value), -1);
}

TEST_F(Events, ServicesNobodyAskedForDeliverNothing)
{
    ASSERT_EQ(screen_stop_events(Context()), 0);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, 1, 1, 0);
    standin_queue_media_event(MMR_STATE_STOPPED, nullptr);
    standin_queue_navigator_event(NAVIGATOR_WINDOW_ACTIVE, 0);
    bps_event_t* e = Next();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(bps_event_get_code(e), unsigned(NAVIGATOR_WINDOW_ACTIVE));
    EXPECT_EQ(Next(), nullptr);
    EXPECT_EQ(standin_pending_events(), 0u);
}

TEST_F(Events, ShutdownDropsPendingEventsAndRequests)
{
    standin_queue_navigator_event(NAVIGATOR_EXIT, 0);
    bps_shutdown();
    bps_event_t* e = reinterpret_cast<bps_event_t*>(0x1);
    EXPECT_EQ(bps_get_event(&e, 0), BPS_FAILURE);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(navigator_request_events(0), BPS_FAILURE) << "services are down";

    ASSERT_EQ(bps_initialize(), BPS_SUCCESS);
    standin_queue_navigator_event(NAVIGATOR_EXIT, 0);
    EXPECT_EQ(Next(), nullptr) << "the old request ended with the services";
    ASSERT_EQ(navigator_request_events(0), BPS_SUCCESS);
    standin_queue_navigator_event(NAVIGATOR_EXIT, 0);
    EXPECT_NE(Next(), nullptr);
}

TEST_F(Events, OrientationCheckIsAnsweredOnlyForACheck)
{
    EXPECT_EQ(standin_orientation_response(), -1);
    standin_queue_navigator_event(NAVIGATOR_ORIENTATION, 90);
    standin_queue_navigator_event(NAVIGATOR_ORIENTATION_CHECK, 180);
    bps_event_t* change = Next();
    EXPECT_EQ(navigator_orientation_check_response(change, true), BPS_FAILURE);
    EXPECT_EQ(standin_orientation_response(), -1);
    bps_event_t* check = Next();
    EXPECT_EQ(navigator_event_get_orientation_angle(check), 180);
    EXPECT_EQ(navigator_orientation_check_response(check, false), BPS_SUCCESS);
    EXPECT_EQ(standin_orientation_response(), 0);
    EXPECT_EQ(navigator_orientation_check_response(check, true), BPS_SUCCESS);
    EXPECT_EQ(standin_orientation_response(), 1);
}

TEST_F(Events, SteppedClockMovesOnlyAtTheEndOfADrain)
{
    standin_clock_set_step(25);
    ASSERT_EQ(standin_clock_get_step(), 25);
    timeval before, during, after;
    standin_gettimeofday(&before);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, 0, 0, 0);
    standin_queue_touch(SCREEN_EVENT_MTOUCH_RELEASE, 0, 0, 0);
    ASSERT_NE(Next(), nullptr);
    ASSERT_NE(Next(), nullptr);
    standin_gettimeofday(&during);
    EXPECT_EQ(during.tv_sec, before.tv_sec);
    EXPECT_EQ(during.tv_usec, before.tv_usec) << "events do not take time";
    EXPECT_EQ(Next(), nullptr);
    standin_gettimeofday(&after);
    long long us = (after.tv_sec - before.tv_sec) * 1000000LL + (after.tv_usec - before.tv_usec);
    EXPECT_EQ(us, 25000);

    standin_clock_advance(1000);
    standin_gettimeofday(&after);
    us = (after.tv_sec - before.tv_sec) * 1000000LL + (after.tv_usec - before.tv_usec);
    EXPECT_EQ(us, 1025000);
}

TEST_F(Events, RealClockWhenSteppingIsOff)
{
    standin_clock_set_step(0);
    timeval real;
    gettimeofday(&real, nullptr);
    timeval reported;
    standin_gettimeofday(&reported);
    EXPECT_LE(reported.tv_sec - real.tv_sec, 1);
    EXPECT_GE(reported.tv_sec - real.tv_sec, 0);
    standin_clock_set_step(16);
}

TEST_F(Events, FailingCallsFailAsManyTimesAsAsked)
{
    EXPECT_EQ(standin_fail_call("no_such_call", 1), -1);
    ASSERT_EQ(standin_fail_call("navigator_request_events", 2), 0);
    EXPECT_EQ(navigator_request_events(0), BPS_FAILURE);
    EXPECT_EQ(navigator_request_events(0), BPS_FAILURE);
    EXPECT_EQ(navigator_request_events(0), BPS_SUCCESS);

    ASSERT_EQ(standin_fail_call("navigator_invoke", 1), 0);
    char* error = nullptr;
    EXPECT_EQ(navigator_invoke("http://example.org/", &error), BPS_FAILURE);
    ASSERT_NE(error, nullptr);
    EXPECT_STRNE(error, "");
    bps_free(error);
}

TEST_F(Events, HeadlessInvokeRecordsTheAddressAndRefusesNonAddresses)
{
    EXPECT_EQ(navigator_invoke("http://example.org/a?b=c", nullptr), BPS_SUCCESS);
    EXPECT_STREQ(standin_last_invoke(), "http://example.org/a?b=c");

    char* error = nullptr;
    EXPECT_EQ(navigator_invoke(nullptr, &error), BPS_FAILURE);
    bps_free(error);
    EXPECT_EQ(navigator_invoke("", nullptr), BPS_FAILURE);
    // Never handed to an opener as one of its options.
    EXPECT_EQ(navigator_invoke("--help", nullptr), BPS_FAILURE);
    EXPECT_STREQ(standin_last_invoke(), "http://example.org/a?b=c");
}

TEST_F(Events, MediaEventsFollowTheirRequests)
{
    int a = 0, b = 0;
    int first = mmrenderer_request_events("ctx", 0, &a);
    int second = mmrenderer_request_events("ctx", 0, &b);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(mmrenderer_request_events(nullptr, 0, &a), 0);

    standin_queue_media_event(MMR_STATE_PLAYING, &a);
    standin_queue_media_event(MMR_STATE_STOPPED, &b);
    standin_queue_media_event(MMR_STATE_STOPPED, &a);
    // Withdrawing a request drops its undelivered events: they name a client that may be gone.
    EXPECT_EQ(mmrenderer_stop_events(first), BPS_SUCCESS);
    EXPECT_EQ(mmrenderer_stop_events(first), BPS_FAILURE);

    bps_event_t* e = Next();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(bps_event_get_domain(e), mmrenderer_get_domain());
    EXPECT_EQ(mmrenderer_event_get_state(e), MMR_STATE_STOPPED);
    EXPECT_EQ(mmrenderer_event_get_userdata(e), &b);
    EXPECT_EQ(Next(), nullptr);

    EXPECT_EQ(mmrenderer_stop_events(second), BPS_SUCCESS);
    standin_queue_media_event(MMR_STATE_STOPPED, &b);
    EXPECT_EQ(Next(), nullptr) << "no request left";
}

TEST(EventsBeforeStart, NothingIsDeliveredBeforeTheServicesStart)
{
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    bps_shutdown();
    bps_event_t* e = reinterpret_cast<bps_event_t*>(0x1);
    EXPECT_EQ(bps_get_event(&e, 0), BPS_FAILURE);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(bps_get_event(nullptr, 0), BPS_FAILURE);
    EXPECT_EQ(navigator_request_events(0), BPS_FAILURE);
    EXPECT_EQ(screen_request_events(reinterpret_cast<screen_context_t>(0x1)), -1);
    EXPECT_EQ(mmrenderer_request_events("ctx", 0, nullptr), 0);
}

TEST_F(Events, SteppedRunsNeverWaitInTheBackground)
{
    standin_queue_navigator_event(NAVIGATOR_WINDOW_INACTIVE, 0);
    ASSERT_NE(Next(), nullptr);
    timeval before, after;
    gettimeofday(&before, nullptr);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(Next(), nullptr);
    gettimeofday(&after, nullptr);
    long long us = (after.tv_sec - before.tv_sec) * 1000000LL + (after.tv_usec - before.tv_usec);
    EXPECT_LT(us, 100000) << "twenty empty polls";
}

// A write whose reader has gone (an X server killed under the application) fails with EPIPE for
// its writer to report, instead of ending the process in silence.
TEST_F(Events, AWriteWhoseReaderHasGoneFailsInsteadOfEndingTheProcess)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    errno = 0;
    EXPECT_EQ(write(ends[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    close(ends[1]);
}

// The display's connection, watched as the desktop backend watches its X connection, is lost only
// when the server hangs up on it: a connection its owner stops watching and then closes itself
// (XCloseDisplay shuts it down) is not, even when the watchdog, held meanwhile, meets the change
// and the hang-up in one wake-up; and a new connection watched ends the watch of a lost one.
TEST(Watchdog, OnlyAHangUpOnTheWatchedConnectionIsTheDisplaysLoss)
{
    int first[2], second[2], third[2];
    for (int* ends : {first, second, third})
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    standin_watch_display_connection(first[0]);
    ASSERT_EQ(standin_hold_watchdog(1), 0);
    standin_watch_display_connection(-1);
    shutdown(first[0], SHUT_RDWR);
    standin_hold_watchdog(0);
    standin_watch_display_connection(second[0]);
    EXPECT_EQ(standin_hold_watchdog(1), 0) << "a connection closed by its owner taken for a loss";
    standin_hold_watchdog(0);

    close(second[1]);
    EXPECT_EQ(standin_hold_watchdog(1), 1) << "the server's hang-up not taken for a loss";
    standin_hold_watchdog(0);
    standin_watch_display_connection(third[0]);
    EXPECT_EQ(standin_hold_watchdog(1), 0) << "a new connection left the lost one's ending standing";
    standin_watch_display_connection(-1);
    standin_hold_watchdog(0);
    for (int fd : {first[0], first[1], second[0], third[0], third[1]})
        close(fd);
}
