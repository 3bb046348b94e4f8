// A movie of the install area played full-screen in the application's window group through the
// platform's media renderer, with sound. It ends when the renderer reports playback stopped or
// when the user touches the screen (the event loop calls Stop).
#pragma once

#include "application/MoviePlayerInterface.h"
#include "mm/renderer.h"

namespace Vorn {

class PlaybookMoviePlayer final : public MoviePlayerInterface {
public:
    // Connects to the renderer and opens the context; a failure leaves the handle null, and Play
    // then fails.
    PlaybookMoviePlayer();
    // Stops a movie still playing; otherwise Stop or a failing call has released the renderer.
    // Returns within ten seconds whatever the player does: one that does not let go of the
    // picture in that time is paused and left to shut down in the background.
    ~PlaybookMoviePlayer() override;

    // Attaches the window and the audio output, the file under app/native/ of the working
    // directory, sets the volume (above 99: 100; negative: left alone), plays at normal speed and
    // asks for the context's events. Any failure is said in one line on stderr ("cannot play the
    // movie NAME: REASON"), closes the renderer and returns false.
    bool Play(const NarrowString& file, int volume) override;
    bool IsFinished() override { return m_finished; }
    // Normal speed or standstill; a failure closes the renderer (the movie stays unfinished until
    // Stop).
    void Resume() override;
    void Pause() override;
    // With stop true, ends a playing movie: finished, events withdrawn, renderer closed.
    void Stop(bool stop);

    static const char* const CONTEXT_NAME;
    static const char* const VIDEO_URL;
    static const char* const AUDIO_URL;

private:
    // Play's work: null, or why the movie cannot play.
    const char* Start(const NarrowString& file, int volume);
    void Teardown();
    void SetSpeed(int speed);

    mmr_connection_t* m_connection;
    mmr_context_t* m_context;
    int m_videoOutput;
    int m_audioOutput;
    bool m_finished;
    int m_eventRequest;
};

} // namespace Vorn
