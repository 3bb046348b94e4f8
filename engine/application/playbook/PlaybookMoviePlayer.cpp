#include "application/playbook/PlaybookMoviePlayer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "bps/mmrenderer.h"
#include "host/Host.h"

namespace Vorn {

const char* const PlaybookMoviePlayer::CONTEXT_NAME = "VornVideoContext";
// The application's window group (see PlaybookProcess::WINDOW_GROUP).
const char* const PlaybookMoviePlayer::VIDEO_URL = "screen:?winid=VornApplication&wingrp=VornApplication";
const char* const PlaybookMoviePlayer::AUDIO_URL = "audio:default";

namespace {
const int NORMAL_SPEED = 1000;
const int URL_LIMIT = 1024;
const int MAX_VOLUME = 100;
} // namespace

PlaybookMoviePlayer::PlaybookMoviePlayer()
    : m_connection(nullptr), m_context(nullptr), m_videoOutput(-1), m_audioOutput(-1),
      m_finished(true), m_eventRequest(0)
{
    m_connection = mmr_connect(nullptr);
    if (m_connection)
        m_context = mmr_context_create(m_connection, CONTEXT_NAME, 0, 0777);
}

PlaybookMoviePlayer::~PlaybookMoviePlayer()
{
    // A player released while its movie plays (a new movie replaced it, or the application went)
    // must not stay named in the platform's event requests: their events would reach a dead
    // object.
    Stop(true);
}

void PlaybookMoviePlayer::Teardown()
{
    if (m_audioOutput != -1) {
        mmr_output_detach(m_context, static_cast<unsigned>(m_audioOutput));
        m_audioOutput = -1;
    }
    if (m_videoOutput != -1) {
        mmr_output_detach(m_context, static_cast<unsigned>(m_videoOutput));
        m_videoOutput = -1;
    }
    if (m_context) {
        mmr_stop(m_context);
        mmr_context_destroy(m_context);
        m_context = nullptr;
    }
    if (m_connection) {
        mmr_disconnect(m_connection);
        m_connection = nullptr;
    }
}

bool PlaybookMoviePlayer::Play(const NarrowString& file, int volume)
{
    // The caller is told only that the movie has finished: a movie that never played says why.
    const char* why = Start(file, volume);
    if (!why)
        return true;
    std::fprintf(stderr, "%s: cannot play the movie %s: %s\n", program_invocation_short_name,
                 file.c_str(), why);
    Teardown();
    return false;
}

const char* PlaybookMoviePlayer::Start(const NarrowString& file, int volume)
{
    if (!m_connection || !m_context)
        return "the media renderer cannot be reached";
    m_videoOutput = mmr_output_attach(m_context, VIDEO_URL, "video");
    if (m_videoOutput == -1)
        return "it has no window to show in";
    m_audioOutput = mmr_output_attach(m_context, AUDIO_URL, "audio");
    if (m_audioOutput == -1)
        return "the sound output cannot be attached";
    char directory[URL_LIMIT];
    if (!getcwd(directory, sizeof(directory)))
        return "the install area cannot be found";
    // A name that does not fit is refused rather than cut to another file's name.
    char url[URL_LIMIT];
    int length = std::snprintf(url, sizeof(url), "file://%s/app/native/%s", directory, file.c_str());
    if (length < 0 || length >= URL_LIMIT)
        return "its name is too long";
    if (mmr_input_attach(m_context, url, "track") != 0)
        return *Host::LastError() ? Host::LastError() : "the renderer refused it";
    if (volume >= 0) {
        if (volume > MAX_VOLUME - 1)
            volume = MAX_VOLUME;
        std::string text = std::to_string(volume);
        strm_dict_t* dictionary = strm_dict_new();
        if (dictionary)
            dictionary = strm_dict_set(dictionary, "volume", text.c_str());
        if (dictionary)
            mmr_output_parameters(m_context, static_cast<unsigned>(m_audioOutput), dictionary);
    }
    if (mmr_speed_set(m_context, NORMAL_SPEED) != 0 || mmr_play(m_context) != 0)
        return "the player does not start it";
    m_eventRequest = mmrenderer_request_events(CONTEXT_NAME, 0, this);
    if (m_eventRequest == 0)
        return "its events cannot be asked for";
    m_finished = false;
    return nullptr;
}

void PlaybookMoviePlayer::SetSpeed(int speed)
{
    if (mmr_speed_set(m_context, speed) != 0)
        Teardown();
}

void PlaybookMoviePlayer::Resume()
{
    SetSpeed(NORMAL_SPEED);
}

void PlaybookMoviePlayer::Pause()
{
    SetSpeed(0);
}

void PlaybookMoviePlayer::Stop(bool stop)
{
    if (m_finished || !stop)
        return;
    m_finished = true;
    mmrenderer_stop_events(m_eventRequest);
    Teardown();
}

MoviePlayerInterface* MoviePlayerInterface::CreatePlatform()
{
    return new PlaybookMoviePlayer;
}

} // namespace Vorn
