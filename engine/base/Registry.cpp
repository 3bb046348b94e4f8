#include "base/Registry.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

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
    m_callbacks.push_back(Callback{fn, user, path, tag});
}

bool Registry::RemoveCallback(const std::string& path, CallbackFunction fn, void* user)
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    for (auto it = m_callbacks.begin(); it != m_callbacks.end(); ++it) {
        if (it->fn == fn && it->user == user && it->path == path) {
            m_callbacks.erase(it);
            return true;
        }
    }
    return false;
}

std::vector<Registry::Callback> Registry::GetCallbacks()
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    return m_callbacks;
}

void Registry::NotifyCallbacks(const std::string& path, RegistryKey* key)
{
    struct Call {
        CallbackFunction fn;
        void* user;
        std::string path;
    };
    std::vector<Call> calls;
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        for (const Callback& c : m_callbacks)
            if (path.compare(0, c.path.size(), c.path) == 0)
                calls.push_back(Call{c.fn, c.user, c.path});
    }
    // The list is not held while callbacks run, so they may change it. A callback added now
    // waits for the next change; one removed now (its user may be gone with it) is not called.
    for (const Call& call : calls) {
        bool registered = false;
        {
            std::lock_guard<std::mutex> lock(m_callbackMutex);
            for (const Callback& c : m_callbacks)
                registered = registered || (c.fn == call.fn && c.user == call.user && c.path == call.path);
        }
        if (registered)
            call.fn(call.user, path, key);
    }
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

// Script errors unwind with longjmp: the arguments are checked before anything with a destructor
// exists in these frames.
int Registry::LuaGet(lua_State* state)
{
    const char* path = luaL_checkstring(state, 1);
    Registry* registry = g_registry.Get();
    RegistryKey* key = registry ? registry->FindKey(path, false) : nullptr;
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
    if (registry) {
        if (lua_type(state, 2) == LUA_TBOOLEAN)
            set = registry->SetBool(path, lua_toboolean(state, 2) != 0);
        else if (lua_isnumber(state, 2))
            set = SetNumber(*registry, path, lua_tonumber(state, 2));
        else if (lua_type(state, 2) == LUA_TSTRING)
            set = registry->SetString(path, lua_tostring(state, 2));
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
