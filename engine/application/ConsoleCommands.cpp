// The console's command table and its built-in commands.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "application/AbstractApp.h"
#include "application/DebugOverlay.h"
#include "base/AssetDict.h"
#include "base/Registry.h"
#include "base/TextDict.h"
#include "base/WideString.h"
#include "graphics/surface/Surface.h"
#include "sound/AudioSource.h"
#include "system/NumberParse.h"
#include "vfs/File.h"

namespace Vorn {

namespace {

const char* const HELP_LINES[] = {
    "1. assets: show managed assets",
    "           star denotes held asset",
    "2. reglist: lists registry keys",
    "3. regcallbacks: lists registry callbacks",
    "regset reg/path value: sets registry key",
    "4. logging: switch VORN_MSG logging",
    "5. texts: show text dictionary",
    "6. plot: show / hide all debug plots",
    "  61. plot f: show / hide fps plot",
    "  62. plot m: show / hide memory plot",
    "  63. plot v: show / hide video memory plot",
    "7. exit: close application",
    "8. floppy: show disk access indicator",
    "9. timeskew skew: set time skew",
    "13. pool: pool allocator stats",
};

// Whether an asset's held object is still alive; the dictionary holds weak pointers to surfaces
// and to sounds.
bool IsHeld(const Any& value)
{
    if (value.IsEmpty())
        return false;
    if (auto* surface = dynamic_cast<Any::Holder<WeakPtr<Surface>>*>(value.content))
        return static_cast<bool>(surface->held.Lock());
    if (auto* sound = dynamic_cast<Any::Holder<WeakPtr<AudioSource>>*>(value.content))
        return static_cast<bool>(sound->held.Lock());
    return false;
}

void WriteRegistryNode(DebugOverlay& overlay, const Registry::Node& node, const NarrowString& name,
                       int depth, DebugOverlay::RemoteConnection* connection)
{
    const NarrowString nodeColor = DebugOverlay::ColorEscape(0xC0, 0xC0, 0xFF);
    const NarrowString keyColor = DebugOverlay::ColorEscape(0x80, 0xFF, 0x80);
    const NarrowString valueColor = DebugOverlay::ColorEscape(0xFF, 0xFF, 0xFF);
    overlay.Print(NarrowString(depth, ' ') + nodeColor + "[" + name + "]", connection);
    for (const auto& entry : node.keys) {
        const RegistryKey& key = *entry.second;
        NarrowString line = NarrowString(depth + 2, ' ') + keyColor + entry.first + valueColor;
        switch (key.GetType()) {
        case RegistryKey::TYPE_BOOL: line += key.GetBool() ? ": true" : ": false"; break;
        case RegistryKey::TYPE_INT: line += ": "; line.AppendInt(key.GetInt()); break;
        case RegistryKey::TYPE_FLOAT: line += ": "; line.AppendFloat(key.GetFloat()); break;
        case RegistryKey::TYPE_STRING: line += NarrowString(": \"") + key.GetText() + "\""; break;
        default: break;
        }
        overlay.Print(line, connection);
    }
    for (const auto& entry : node.children)
        WriteRegistryNode(overlay, *entry.second, entry.first, depth + 2, connection);
}

// The whole text as a number (blanks around it aside): false for anything else, NaN included.
bool ParseNumber(const NarrowString& text, double& value)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    value = std::strtod(begin, &end);
    if (end == begin || std::isnan(value))
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    return *end == '\0';
}

} // namespace

// The built-in commands; each is called with the overlay as its context.
struct ConsoleCommands {
    typedef DebugOverlay::RemoteConnection Connection;

    static DebugOverlay& Overlay(void* context) { return *static_cast<DebugOverlay*>(context); }

    static void Assets(void* context, const NarrowString&, Connection* connection)
    {
        DebugOverlay& overlay = Overlay(context);
        if (!g_assetDict) {
            overlay.Print("AssetDict not available", connection);
            return;
        }
        overlay.Print("Assets maintained by AssetDict:", connection);
        const AssetDict::AssetMap& cached = g_assetDict->GetCachedAssets();
        int held = 0;
        int total = 0;
        for (const auto& entry : g_assetDict->GetAssets()) {
            ++total;
            const char* mark = cached.count(entry.first) ? "C " : IsHeld(entry.second) ? "* " : "  ";
            held += mark[0] != ' ' ? 1 : 0;
            overlay.Print(mark + entry.first, connection);
        }
        NarrowString summary("Held/total: ");
        summary.AppendInt(held);
        summary += "/";
        summary.AppendInt(total);
        overlay.Print(summary, connection);
    }

    static void RegList(void* context, const NarrowString&, Connection* connection)
    {
        if (!g_registry)
            Overlay(context).Print("Registry not available", connection);
        else
            WriteRegistryNode(Overlay(context), g_registry->GetRoot(), "root", 0, connection);
    }

    static void RegCallbacks(void* context, const NarrowString&, Connection* connection)
    {
        DebugOverlay& overlay = Overlay(context);
        if (!g_registry) {
            overlay.Print("Registry not available", connection);
            return;
        }
        std::vector<Registry::Callback> callbacks = g_registry->GetCallbacks();
        // Grouped by path, paths in the order they first registered.
        std::vector<std::string> paths;
        for (const Registry::Callback& callback : callbacks)
            if (std::find(paths.begin(), paths.end(), callback.path) == paths.end())
                paths.push_back(callback.path);
        for (const std::string& path : paths) {
            overlay.Print(path, connection);
            for (const Registry::Callback& callback : callbacks)
                if (callback.path == path)
                    overlay.Print("  " + callback.tag, connection);
        }
    }

    // The value as written: true or false, a quoted text, else a number (whole ones that fit an
    // int key are one, anything else a float).
    static bool SetValue(Registry& registry, const char* path, const NarrowString& value)
    {
        const char first = value.front();
        const char last = value.back();
        if (value == "true" || value == "false")
            return registry.SetBool(path, value == "true");
        if (value.size() >= 2 && first == last && (first == '\'' || first == '"'))
            return registry.SetString(path, value.substr(1, value.size() - 2).c_str());
        double number = StrToDouble(value.c_str(), nullptr);
        if (number == std::floor(number) && number >= -2147483648.0 && number <= 2147483647.0)
            return registry.SetInt(path, static_cast<s32>(number));
        return registry.SetFloat(path, static_cast<float>(number));
    }

    static void RegSet(void* context, const NarrowString& argument, Connection* connection)
    {
        DebugOverlay& overlay = Overlay(context);
        if (!g_registry) {
            overlay.Print("Registry not available", connection);
            return;
        }
        size_t blank = argument.find(' ');
        if (blank == NarrowString::npos) {
            overlay.Print("Bad params", connection);
            return;
        }
        NarrowString path = argument.substr(0, blank);
        NarrowString value = argument.substr(blank + 1);
        if (value.empty())
            overlay.Print("Empty value", connection);
        else if (!g_registry->FindKey(path.c_str(), true))
            overlay.Print("Bad registry path", connection);
        else if (!SetValue(*g_registry, path.c_str(), value))
            overlay.Print("Setting registry value failed", connection);
    }

    static void Logging(void* context, const NarrowString&, Connection* connection)
    {
        DebugOverlay& overlay = Overlay(context);
        if (connection) {
            overlay.Print("VORN_MSG logging not available on remote connections", connection);
            return;
        }
        overlay.m_logging = !overlay.m_logging;
        overlay.Print(overlay.m_logging ? "Logging enabled" : "Logging disabled", connection);
    }

    static void Texts(void* context, const NarrowString&, Connection* connection)
    {
        if (!g_textDict) {
            Overlay(context).Print("TextDict not available", connection);
            return;
        }
        for (const auto& entry : g_textDict->GetTexts())
            Overlay(context).Print(entry.first + " -> " + NarrowString(entry.second), connection);
    }

    static void AllPlots(void* context, const NarrowString&, Connection*)
    {
        DebugOverlay& overlay = Overlay(context);
        bool anyMissing = false;
        for (const auto& plot : overlay.m_plots)
            anyMissing = anyMissing || !plot;
        for (int i = 0; i < DebugOverlay::PLOT_COUNT; ++i)
            if (static_cast<bool>(overlay.m_plots[i]) != anyMissing)
                overlay.TogglePlot(i);
    }

    template <int PLOT>
    static void OnePlot(void* context, const NarrowString&, Connection*)
    {
        Overlay(context).TogglePlot(PLOT);
    }

    static void Exit(void*, const NarrowString&, Connection*)
    {
        if (AbstractApp::s_application)
            AbstractApp::s_application->Quit();
    }

    static void Floppy(void* context, const NarrowString&, Connection*)
    {
        Overlay(context).showActivity = !Overlay(context).showActivity;
        g_vfsAccess.store(false);
    }

    static void TimeSkew(void* context, const NarrowString& argument, Connection* connection)
    {
        // A skew of 0 or below stops or reverses time, a huge one makes frames run away: numbers
        // are kept within bounds; anything else changes nothing.
        double value = 0.0;
        if (!ParseNumber(argument, value)) {
            Overlay(context).Print("Time skew must be a number, not \"" + argument + "\"", connection);
            return;
        }
        value = std::min<double>(std::max<double>(value, DebugOverlay::MIN_TIME_SKEW),
                                 DebugOverlay::MAX_TIME_SKEW);
        g_timeSkew.store(static_cast<float>(value));
        NarrowString reply("Time skew: ");
        reply.AppendFloat(static_cast<float>(value));
        Overlay(context).Print(reply, connection);
    }

    static void Pool(void* context, const NarrowString&, Connection*)
    {
        Overlay(context).showPools = !Overlay(context).showPools;
    }

    static void Help(void* context, const NarrowString&, Connection* connection)
    {
        for (const NarrowString& help : Overlay(context).m_helpLines)
            Overlay(context).Print(help, connection);
    }
};

void DebugOverlay::RegisterBuiltins()
{
    typedef ConsoleCommands C;
    const struct {
        const char* shortName;   // null: none
        const char* longName;
        Argument argument;
        CommandHandler handler;
    } BUILTINS[] = {
        {"1", "assets", ARGUMENT_NONE, &C::Assets},
        {"2", "reglist", ARGUMENT_NONE, &C::RegList},
        {"3", "regcallbacks", ARGUMENT_NONE, &C::RegCallbacks},
        {nullptr, "regset", ARGUMENT_REQUIRED, &C::RegSet},
        {"4", "logging", ARGUMENT_NONE, &C::Logging},
        {"5", "texts", ARGUMENT_NONE, &C::Texts},
        {"6", "plot", ARGUMENT_NONE, &C::AllPlots},
        {"61", "plot f", ARGUMENT_NONE, &C::OnePlot<PLOT_FPS>},
        {"62", "plot m", ARGUMENT_NONE, &C::OnePlot<PLOT_MEMORY>},
        {"63", "plot v", ARGUMENT_NONE, &C::OnePlot<PLOT_VIDEO_MEMORY>},
        {"64", "plot b", ARGUMENT_NONE, &C::OnePlot<PLOT_COUNTER>},
        {"7", "exit", ARGUMENT_NONE, &C::Exit},
        {"8", "floppy", ARGUMENT_NONE, &C::Floppy},
        {"9", "timeskew", ARGUMENT_REQUIRED, &C::TimeSkew},
        {"13", "pool", ARGUMENT_NONE, &C::Pool},
        {"", "help", ARGUMENT_NONE, &C::Help},
    };
    for (const auto& builtin : BUILTINS) {
        const Command command{builtin.handler, this, builtin.argument, true};
        if (builtin.shortName)
            m_commands[builtin.shortName] = command;
        m_commands[builtin.longName] = command;
    }
    for (const char* line : HELP_LINES)
        m_helpLines.push_back(line);
}

void DebugOverlay::RegisterCommand(const NarrowString& name, CommandHandler handler, void* context,
                                   const NarrowString& help)
{
    auto found = m_commands.find(name);
    if (!handler || (found != m_commands.end() && found->second.builtIn))
        return;
    m_commands[name] = Command{handler, context, ARGUMENT_OPTIONAL, false};
    m_helpLines.push_back(help.empty() ? name : NarrowString(name + ": " + help));
}

void DebugOverlay::ExecuteCommand(const NarrowString& line, RemoteConnection* connection)
{
    if (!connection) {
        m_history.push_back(line);
        m_historyIndex = -1;
    }
    // The whole line names a command without argument ("plot f" is one); else the text before
    // the first blank names one that takes the rest.
    auto whole = m_commands.find(line);
    if (whole != m_commands.end() && whole->second.argument == ARGUMENT_NONE) {
        whole->second.handler(whole->second.context, NarrowString(), connection);
        return;
    }
    const size_t blank = line.find(' ');
    auto named = m_commands.find(line.substr(0, blank));
    const bool hasArgument = blank != NarrowString::npos;
    if (named == m_commands.end() || named->second.argument == ARGUMENT_NONE ||
        (named->second.argument == ARGUMENT_REQUIRED && !hasArgument)) {
        Print("Unknown command", connection);
        return;
    }
    named->second.handler(named->second.context, hasArgument ? line.substr(blank + 1) : NarrowString(),
                          connection);
}

} // namespace Vorn
