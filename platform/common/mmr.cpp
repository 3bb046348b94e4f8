// The media renderer's client side, without a decoder: contexts, outputs and inputs are
// bookkept and checked, and a played track ends at once.
#include <unistd.h>

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "EventCore.h"
#include "bps/mmrenderer.h"
#include "mm/renderer.h"

struct mmr_connection {
    int contexts = 0;
};

struct mmr_context {
    mmr_connection_t* connection = nullptr;
    std::string name;
    int nextOutput = 0;
    std::set<int> audioOutputs;
    std::set<int> outputs;
    bool input = false;
    bool ended = false;
    int speed = 1000;
};

struct strm_dict {
    std::map<std::string, std::string> values;
};

namespace {

struct MediaState {
    std::mutex mutex;
    std::set<mmr_context_t*> contexts;
    std::string lastVolume;
};

MediaState& GetState()
{
    static MediaState* s_state = new MediaState;
    return *s_state;
}

bool Live(MediaState& state, mmr_context_t* ctx)
{
    return ctx && state.contexts.count(ctx) != 0;
}

bool StartsWith(const char* text, const char* prefix)
{
    return std::string(text).compare(0, std::string(prefix).size(), prefix) == 0;
}

}  // namespace

namespace standin {

bool MediaContextEnded(const std::string& context)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    for (mmr_context_t* ctx : state.contexts)
        if (ctx->name == context && ctx->ended)
            return true;
    return false;
}

}  // namespace standin

extern "C" mmr_connection_t* mmr_connect(const char*)
{
    return new mmr_connection;
}

extern "C" void mmr_disconnect(mmr_connection_t* connection)
{
    delete connection;
}

extern "C" mmr_context_t* mmr_context_create(mmr_connection_t* connection, const char* name,
                                             uint32_t, mode_t)
{
    if (!connection || !name || !*name)
        return nullptr;
    auto ctx = new mmr_context;
    ctx->connection = connection;
    ctx->name = name;
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.contexts.insert(ctx);
    return ctx;
}

extern "C" int mmr_context_destroy(mmr_context_t* ctx)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!Live(state, ctx))
        return -1;
    state.contexts.erase(ctx);
    delete ctx;
    return 0;
}

extern "C" int mmr_output_attach(mmr_context_t* ctx, const char* url, const char* type)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!Live(state, ctx) || !url || !type)
        return -1;
    const std::string kind(type);
    const bool video = kind == "video" && StartsWith(url, "screen:");
    const bool audio = kind == "audio" && StartsWith(url, "audio:");
    if (!video && !audio)
        return -1;
    int id = ctx->nextOutput++;
    ctx->outputs.insert(id);
    if (audio)
        ctx->audioOutputs.insert(id);
    return id;
}

extern "C" int mmr_output_detach(mmr_context_t* ctx, unsigned output_id)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!Live(state, ctx) || !ctx->outputs.erase(static_cast<int>(output_id)))
        return -1;
    ctx->audioOutputs.erase(static_cast<int>(output_id));
    return 0;
}

extern "C" int mmr_output_parameters(mmr_context_t* ctx, unsigned output_id, strm_dict_t* parms)
{
    int result = -1;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (Live(state, ctx) && ctx->outputs.count(static_cast<int>(output_id)) && parms) {
            const char* volume = strm_dict_find_value(parms, "volume");
            if (volume && ctx->audioOutputs.count(static_cast<int>(output_id)))
                state.lastVolume = volume;
            result = 0;
        }
    }
    strm_dict_destroy(parms);
    return result;
}

extern "C" int mmr_input_attach(mmr_context_t* ctx, const char* url, const char* type)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!Live(state, ctx) || !url || !type || std::string(type) != "track" ||
        !StartsWith(url, "file://"))
        return -1;
    if (access(url + 7, R_OK) != 0)
        return -1;
    ctx->input = true;
    return 0;
}

extern "C" int mmr_speed_set(mmr_context_t* ctx, int speed)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!Live(state, ctx) || !ctx->input || speed < 0)
        return -1;
    ctx->speed = speed;
    return 0;
}

extern "C" int mmr_play(mmr_context_t* ctx)
{
    std::string name;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!Live(state, ctx) || !ctx->input)
            return -1;
        ctx->ended = true;
        name = ctx->name;
    }
    // Nothing to decode: the track is over as soon as it starts.
    standin::PushMediaStateForContext(name, MMR_STATE_STOPPED);
    return 0;
}

extern "C" int mmr_stop(mmr_context_t* ctx)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return Live(state, ctx) ? 0 : -1;
}

extern "C" strm_dict_t* strm_dict_new(void)
{
    return new strm_dict;
}

extern "C" strm_dict_t* strm_dict_set(strm_dict_t* dict, const char* key, const char* value)
{
    if (!dict)
        return nullptr;
    if (!key || !value) {
        delete dict;
        return nullptr;
    }
    dict->values[key] = value;
    return dict;
}

extern "C" const char* strm_dict_find_value(const strm_dict_t* dict, const char* key)
{
    if (!dict || !key)
        return nullptr;
    auto it = dict->values.find(key);
    return it == dict->values.end() ? nullptr : it->second.c_str();
}

extern "C" int strm_dict_destroy(strm_dict_t* dict)
{
    delete dict;
    return 0;
}

extern "C" const char* standin_mmr_last_volume(void)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.lastVolume.c_str();
}

extern "C" int standin_mmr_open_contexts(void)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return static_cast<int>(state.contexts.size());
}
