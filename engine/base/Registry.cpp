#include "base/Registry.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include "base/Lua.h"
#include "base/Xml.h"
#include "base/XmlIterator.h"
#include "vfs/File.h"
#include "vfs/Vfs.h"

namespace Vorn {

SmartPtr<Registry> g_registry;

namespace {

const char* const MACHINE_NODE = "machine";

// The registry's XML is written by hand; names and texts must still come back as they went in.
void AppendEscaped(std::string& out, const std::string& text)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
}

// Skips the white space a number may start with.
const char* SkipSpace(const char* text)
{
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r')
        ++text;
    return text;
}

bool ParseFloat(const char* text, float& value)
{
    if (!text)
        return false;
    text = SkipSpace(text);
    if (*text == '+')
        ++text;
    float parsed;
    std::from_chars_result result = std::from_chars(text, text + std::strlen(text), parsed);
    if (result.ec != std::errc())
        return false;
    value = parsed;
    return true;
}

// Six decimals, as the document has always had them, when those give the value back; otherwise the
// shortest text that does (a small or huge value would lose its digits in six decimals).
std::string FormatFloat(float value)
{
    char buffer[64];
    std::to_chars_result fixed = std::to_chars(buffer, buffer + sizeof(buffer),
                                               static_cast<double>(value), std::chars_format::fixed, 6);
    float back;
    if (fixed.ec == std::errc() && ParseFloat(std::string(buffer, fixed.ptr).c_str(), back) &&
        back == value)
        return std::string(buffer, fixed.ptr);
    std::to_chars_result shortest = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return shortest.ec == std::errc() ? std::string(buffer, shortest.ptr) : std::string("0");
}

// An int in the forms "%i" reads (decimal, 0x hexadecimal, 0 octal, signed); a value outside
// 32 bits is refused instead of wrapping.
bool ParseInt(const char* text, s32& value)
{
    if (!text)
        return false;
    text = SkipSpace(text);
    char* end = nullptr;
    errno = 0;
    long long parsed = std::strtoll(text, &end, 0);
    if (end == text || errno == ERANGE || parsed < -2147483648LL || parsed > 2147483647LL)
        return false;
    value = static_cast<s32>(parsed);
    return true;
}

// A script number as a key value: whole numbers that fit become ints, the rest floats.
bool SetNumber(Registry& registry, const char* path, double number)
{
    if (number == std::floor(number) && number >= -2147483648.0 && number <= 2147483647.0)
        return registry.SetInt(path, static_cast<s32>(number));
    return registry.SetFloat(path, static_cast<float>(number));
}

void AppendTabs(std::string& out, int depth)
{
    out.append(static_cast<size_t>(depth), '\t');
}

void WriteNode(std::string& out, const Registry::Node& node, const std::string& name, int depth)
{
    AppendTabs(out, depth);
    out += "<node name=\"";
    AppendEscaped(out, name);
    out += "\">\n";
    for (const auto& entry : node.keys) {
        const RegistryKey& key = *entry.second;
        NarrowString value;
        const char* type = nullptr;
        switch (key.GetType()) {
        case RegistryKey::TYPE_BOOL:
            type = "bool";
            value = key.GetBool() ? "true" : "false";
            break;
        case RegistryKey::TYPE_INT:
            type = "int";
            value.AppendInt(key.GetInt());
            break;
        case RegistryKey::TYPE_FLOAT:
            type = "float";
            value = FormatFloat(key.GetFloat());
            break;
        case RegistryKey::TYPE_STRING:
            type = "string";
            value = key.GetText();
            break;
        default:
            continue;   // an unset key has nothing to write
        }
        AppendTabs(out, depth + 1);
        out += "<key name=\"";
        AppendEscaped(out, entry.first);
        out += "\" type=\"";
        out += type;
        out += "\">";
        AppendEscaped(out, value);
        out += "</key>\n";
    }
    for (const auto& entry : node.children)
        WriteNode(out, *entry.second, entry.first, depth + 1);
    AppendTabs(out, depth);
    out += "</node>\n";
}

// basePath + "/" + name, without doubling the slash of the root "/".
std::string JoinPath(const std::string& basePath, const char* name)
{
    if (!basePath.empty() && basePath.back() == '/')
        return basePath + name;
    return basePath + "/" + name;
}

// The key elements of one node element, then its node elements, recursively.
void LoadNode(Registry& registry, Registry::Node& node, XmlTag element, const std::string& basePath,
              bool notify)
{
    for (XmlIterator it(element, "key"); it.IsValid(); it.Next()) {
        const char* name = it.GetAttribute("name");
        const char* type = it.GetAttribute("type");
        // Without a name there is no key to set, nor a path to announce.
        if (!name)
            continue;
        std::unique_ptr<RegistryKey>& slot = node.keys[name];
        if (!slot)
            slot.reset(new RegistryKey);
        RegistryKey* key = slot.get();
        if (type && std::strcmp(type, "bool") == 0) {
            bool value;
            if (it.GetText(value))
                key->SetBool(value);
        } else if (type && std::strcmp(type, "int") == 0) {
            s32 value;
            if (ParseInt(it.GetText(), value))
                key->SetInt(value);
        } else if (type && std::strcmp(type, "float") == 0) {
            float value;
            // Not a number at all reads as 0, as the engine's float texts always have.
            if (ParseFloat(it.GetText(), value) || it.GetText(value))
                key->SetFloat(value);
        } else if (type && std::strcmp(type, "string") == 0) {
            const char* text = it.GetText();
            if (text && *text)
                key->SetString(text);
        }
        if (notify)
            registry.NotifyCallbacks(JoinPath(basePath, name), key);
    }
    for (XmlIterator it(element, "node"); it.IsValid(); it.Next()) {
        const char* name = it.GetAttribute("name");
        if (!name)
            continue;
        std::unique_ptr<Registry::Node>& child = node.children[name];
        if (!child)
            child.reset(new Registry::Node);
        if (notify)
            LoadNode(registry, *child, it.GetTag(), JoinPath(basePath, name), true);
        else
            LoadNode(registry, *child, it.GetTag(), std::string(), false);
    }
}

// The script state whose LuaSet runs on this thread: its callbacks run protected on it, so that a
// script error they raise comes back to the registry instead of jumping over its frames.
thread_local lua_State* t_scriptCaller = nullptr;

// Thrown through the registry's frames once a callback's script error has been caught: the error
// value waits on top of the script's stack, and LuaSet raises it.
struct ScriptErrorPending {};

// One callback call made inside the interpreter's protection; an exception it threw waits in
// thrown until the protected call is over.
struct ScriptCall {
    Registry::CallbackFunction fn;
    void* user;
    const std::string* path;
    RegistryKey* key;
    std::exception_ptr thrown;
};

// The body of the protected call. It holds no object with a destructor, so a script error may
// leave it by a long jump; an exception is caught before it could reach the interpreter. A nested
// set's script error, on top of this call's stack, is raised again to leave the same way.
int CallForScript(lua_State* state)
{
    ScriptCall* call = static_cast<ScriptCall*>(lua_touserdata(state, 1));
    bool pending = false;
    try {
        call->fn(call->user, *call->path, call->key);
    } catch (const ScriptErrorPending&) {
        pending = true;
    } catch (...) {
        call->thrown = std::current_exception();
    }
    if (pending)
        return lua_error(state);
    return 0;
}

// Marks a LuaSet in progress on this thread for as long as it lives.
class ScriptScope {
public:
    explicit ScriptScope(lua_State* state) : m_caller(t_scriptCaller) { t_scriptCaller = state; }
    ~ScriptScope() { t_scriptCaller = m_caller; }
    ScriptScope(const ScriptScope&) = delete;
    ScriptScope& operator=(const ScriptScope&) = delete;

private:
    lua_State* m_caller;
};

// LuaSet's value by its type: a boolean, a number (or a text that reads as one), else a text.
bool SetFromScript(Registry& registry, lua_State* state, const char* path)
{
    if (lua_type(state, 2) == LUA_TBOOLEAN)
        return registry.SetBool(path, lua_toboolean(state, 2) != 0);
    if (lua_isnumber(state, 2))
        return SetNumber(registry, path, lua_tonumber(state, 2));
    if (lua_type(state, 2) == LUA_TSTRING)
        return registry.SetString(path, lua_tostring(state, 2));
    return false;
}

} // namespace

bool RegistryKey::SetBool(bool value)
{
    m_text.clear();
    m_word = (m_word & ~0xFFu) | (value ? 1u : 0u);
    m_type = TYPE_BOOL;
    return true;
}

bool RegistryKey::SetInt(s32 value)
{
    m_text.clear();
    m_word = static_cast<u32>(value);
    m_type = TYPE_INT;
    return true;
}

bool RegistryKey::SetFloat(float value)
{
    m_text.clear();
    std::memcpy(&m_word, &value, sizeof(m_word));
    m_type = TYPE_FLOAT;
    return true;
}

bool RegistryKey::SetString(const char* value)
{
    m_text = value ? value : "";
    m_word = 0;
    m_type = TYPE_STRING;
    return true;
}

float RegistryKey::GetFloat() const
{
    u32 word = Get();
    float value;
    std::memcpy(&value, &word, sizeof(value));
    return value;
}

Registry::Registry() : m_building(true)
{
    CreateMachineKeys();
    m_building = false;
}

Registry::~Registry()
{
}

Registry::Node* Registry::FindNode(const char* path, bool stripLast, bool create)
{
    if (!path || path[0] != '/')
        return nullptr;
    std::string text(path);
    if (text.size() > MAX_PATH)
        return nullptr;
    if (stripLast) {
        size_t slash = text.rfind('/');
        // A key lies in a node below the root, and has a name.
        if (slash == 0 || slash + 1 == text.size())
            return nullptr;
        text.erase(slash);
    }
    Node* node = &m_root;
    if (text == "/")
        return node;
    size_t start = 1;
    bool first = true;
    for (;;) {
        size_t end = text.find('/', start);
        std::string name = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        auto found = node->children.find(name);
        if (found != node->children.end()) {
            node = found->second.get();
        } else {
            // The machine's subtree holds the device's facts only.
            if (!create || (!m_building && first && name == MACHINE_NODE))
                return nullptr;
            std::unique_ptr<Node>& child = node->children[name];
            child.reset(new Node);
            node = child.get();
        }
        if (end == std::string::npos)
            return node;
        start = end + 1;
        first = false;
    }
}

RegistryKey* Registry::FindKey(const char* path, bool create)
{
    Node* node = FindNode(path, true, create);
    if (!node)
        return nullptr;
    const char* name = std::strrchr(path, '/') + 1;
    auto found = node->keys.find(name);
    if (found != node->keys.end())
        return found->second.get();
    if (!create)
        return nullptr;
    if (!m_building && std::strncmp(path, "/machine/", 9) == 0)
        return nullptr;
    std::unique_ptr<RegistryKey>& slot = node->keys[name];
    slot.reset(new RegistryKey);
    return slot.get();
}

bool Registry::SetBool(const char* path, bool value)
{
    RegistryKey* key = FindKey(path, true);
    if (!key || !key->SetBool(value))
        return false;
    NotifyCallbacks(path, key);
    return true;
}

bool Registry::SetInt(const char* path, s32 value)
{
    RegistryKey* key = FindKey(path, true);
    if (!key || !key->SetInt(value))
        return false;
    NotifyCallbacks(path, key);
    return true;
}

bool Registry::SetFloat(const char* path, float value)
{
    RegistryKey* key = FindKey(path, true);
    if (!key || !key->SetFloat(value))
        return false;
    NotifyCallbacks(path, key);
    return true;
}

bool Registry::SetString(const char* path, const char* value)
{
    RegistryKey* key = FindKey(path, true);
    if (!key || !key->SetString(value))
        return false;
    NotifyCallbacks(path, key);
    return true;
}

bool Registry::TryGet(const char* path, bool& value)
{
    RegistryKey* key = FindKey(path, false);
    if (!key)
        return false;
    value = key->GetBool();
    return true;
}

bool Registry::TryGet(const char* path, s32& value)
{
    RegistryKey* key = FindKey(path, false);
    if (!key)
        return false;
    value = key->GetInt();
    return true;
}

bool Registry::TryGet(const char* path, float& value)
{
    RegistryKey* key = FindKey(path, false);
    if (!key)
        return false;
    value = key->GetFloat();
    return true;
}

bool Registry::TryGet(const char* path, NarrowString& value)
{
    RegistryKey* key = FindKey(path, false);
    if (!key)
        return false;
    value = key->GetText();
    return true;
}

void Registry::AddCallback(const std::string& path, CallbackFunction fn, void* user,
                           const std::string& file, const std::string& function, int line)
{
    NarrowString tag(file + " (" + function + ": ");
    tag.AppendInt(line);
    tag += ")";
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_callbacks.push_back(Entry{Callback{fn, user, path, tag}, m_nextId++});
}

bool Registry::RemoveCallback(const std::string& path, CallbackFunction fn, void* user)
{
    std::unique_lock<std::mutex> lock(m_callbackMutex);
    auto found = std::find_if(m_callbacks.begin(), m_callbacks.end(), [&](const Entry& entry) {
        return entry.callback.fn == fn && entry.callback.user == user && entry.callback.path == path;
    });
    if (found == m_callbacks.end())
        return false;
    const u64 id = found->id;
    m_callbacks.erase(found);
    // A call on this thread is the caller's own (a callback removing itself, or one further out):
    // waiting for it would never end.
    const std::thread::id self = std::this_thread::get_id();
    m_callEnded.wait(lock, [&] {
        return std::none_of(m_running.begin(), m_running.end(),
                            [&](const Running& r) { return r.id == id && r.thread != self; });
    });
    return true;
}

std::vector<Registry::Callback> Registry::GetCallbacks()
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    std::vector<Callback> callbacks;
    for (const Entry& entry : m_callbacks)
        callbacks.push_back(entry.callback);
    return callbacks;
}

void Registry::CallOne(u64 id, const std::string& path, RegistryKey* key)
{
    CallbackFunction fn = nullptr;
    void* user = nullptr;
    const std::thread::id self = std::this_thread::get_id();
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        for (const Entry& entry : m_callbacks)
            if (entry.id == id) {
                fn = entry.callback.fn;
                user = entry.callback.user;
            }
        if (!fn)
            return;   // removed meanwhile: its user may be gone
        m_running.push_back(Running{id, self});
    }
    // The call counts as running until it is over, however it ends.
    struct Ended {
        Registry& registry;
        u64 id;
        std::thread::id thread;
        ~Ended()
        {
            {
                std::lock_guard<std::mutex> lock(registry.m_callbackMutex);
                auto& running = registry.m_running;
                auto it = std::find_if(running.begin(), running.end(),
                                       [&](const Running& r) { return r.id == id && r.thread == thread; });
                if (it != running.end())
                    running.erase(it);
            }
            registry.m_callEnded.notify_all();
        }
    } ended{*this, id, self};
    if (!t_scriptCaller) {
        fn(user, path, key);
        return;
    }
    ScriptCall call{fn, user, &path, key, nullptr};
    // Out of the interpreter's frames, both failures unwind the registry's up to LuaSet.
    if (lua_cpcall(t_scriptCaller, &CallForScript, &call) != 0)
        throw ScriptErrorPending();
    if (call.thrown)
        std::rethrow_exception(call.thrown);
}

void Registry::NotifyCallbacks(const std::string& path, RegistryKey* key)
{
    std::vector<u64> ids;
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        for (const Entry& entry : m_callbacks)
            if (path.compare(0, entry.callback.path.size(), entry.callback.path) == 0)
                ids.push_back(entry.id);
    }
    // The list is not held while callbacks run, so they may change it.
    for (u64 id : ids)
        CallOne(id, path, key);
}

std::string Registry::SaveToString(const char* path)
{
    Node* node = FindNode(path, false, false);
    if (!node)
        return std::string();
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<registry>\n";
    WriteNode(out, *node, path, 1);
    out += "</registry>\n";
    return out;
}

bool Registry::SavePlain(const char* fileName, const char* path)
{
    std::string text = SaveToString(path);
    if (text.empty())
        return false;
    SmartPtr<File> file(Vfs::OpenWrite(fileName));
    if (!file)
        return false;
    bool written = file->WriteString(text);
    // The close decides whether the text reached the disk (a save-area file is renamed into
    // place there).
    return file->Close() && written;
}

bool Registry::Save(const char* fileName, const char* key, const char* path)
{
    std::string text = SaveToString(path);
    if (text.empty() || !fileName)
        return false;
    SmartPtr<File> file(Vfs::CreateEncrypted(fileName, NarrowString(key ? key : "")));
    if (!file)
        return false;
    bool written = file->WriteString(text);
    // Closing enciphers and writes the file; its result says whether all of it arrived.
    return file->Close() && written;
}

bool Registry::LoadEncrypted(const char* fileName, const char* key, bool notify, const char* basePath)
{
    if (!fileName)
        return false;
    SmartPtr<File> file(Vfs::OpenEncrypted(fileName, NarrowString(key ? key : "")));
    if (!file)
        return false;
    SmartPtr<Xml> document = Xml::CreateFromStream(file.Get());
    return document && Load(*document, notify, basePath);
}

template <>
bool Registry::Get<bool>(const char* path)
{
    bool value = false;
    TryGet(path, value);
    return value;
}

template <>
s32 Registry::Get<s32>(const char* path)
{
    s32 value = 0;
    TryGet(path, value);
    return value;
}

template <>
float Registry::Get<float>(const char* path)
{
    float value = 0.0f;
    TryGet(path, value);
    return value;
}

template <>
NarrowString Registry::Get<NarrowString>(const char* path)
{
    NarrowString value;
    TryGet(path, value);
    return value;
}

// Script errors unwind with a long jump and exceptions must not cross the interpreter's frames:
// the arguments are checked before any object with a destructor exists, the C++ work runs inside
// Lua::Contain, and errors are raised from these frames only, which hold no such object.
int Registry::LuaGet(lua_State* state)
{
    const char* path = luaL_checkstring(state, 1);
    Registry* registry = g_registry.Get();
    RegistryKey* key = nullptr;
    char error[256];
    if (registry && !Lua::Contain([&] { key = registry->FindKey(path, false); }, error, sizeof(error)))
        return luaL_error(state, "registry: %s", error);
    switch (key ? key->GetType() : RegistryKey::TYPE_UNSET) {
    case RegistryKey::TYPE_BOOL: lua_pushboolean(state, key->GetBool()); break;
    case RegistryKey::TYPE_INT: lua_pushnumber(state, key->GetInt()); break;
    case RegistryKey::TYPE_FLOAT: lua_pushnumber(state, key->GetFloat()); break;
    case RegistryKey::TYPE_STRING: lua_pushstring(state, key->GetText()); break;
    default: lua_pushnil(state); break;
    }
    return 1;
}

int Registry::LuaSet(lua_State* state)
{
    const char* path = luaL_checkstring(state, 1);
    Registry* registry = g_registry.Get();
    bool set = false;
    bool pending = false;
    char error[256];   // an exception's text is cut at this size
    if (registry) {
        const bool contained = Lua::Contain([&] {
            ScriptScope scope(state);
            try {
                set = SetFromScript(*registry, state, path);
            } catch (const ScriptErrorPending&) {
                pending = true;
            }
        }, error, sizeof(error));
        if (!contained)
            return luaL_error(state, "registry callback: %s", error);
        if (pending)
            return lua_error(state);   // the callback's own error value, on top
    }
    lua_pushboolean(state, set);
    return 1;
}

bool Registry::Load(const Xml& document, bool notify, const char* basePath)
{
    XmlTag root = document.GetRoot();
    XmlIterator rootIt(root);
    const char* rootName = rootIt.GetName();
    if (!rootName || std::strcmp(rootName, "registry") != 0)
        return false;
    XmlIterator element(root, "node");
    if (!element.IsValid())
        return false;
    std::string path = basePath && *basePath ? basePath : "";
    if (path.empty()) {
        const char* name = element.GetAttribute("name");
        if (!name)
            return false;
        path = name;
    }
    Node* target = FindNode(path.c_str(), false, true);
    if (!target)
        return false;
    LoadNode(*this, *target, element.GetTag(), path, notify);
    return true;
}

bool Registry::LoadFromString(const NarrowString& text, bool notify, const char* basePath)
{
    SmartPtr<Xml> document = Xml::CreateFromString(text);
    return document && Load(*document, notify, basePath);
}

bool Registry::LoadPlain(const char* fileName, bool notify, const char* basePath)
{
    SmartPtr<Xml> document = Xml::CreateFromFile(fileName);
    return document && Load(*document, notify, basePath);
}

} // namespace Vorn
