// The settings registry: a tree of named nodes holding typed keys (bool, int, float, string),
// addressed by slash-separated paths such as "/audio/volume", with change callbacks on path
// prefixes, an XML form to save and load a subtree, and a read-only "/machine" subtree of live
// facts about the device. This program never creates one; g_registry stays null.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "system/Types.h"

struct lua_State;

namespace Vorn {

class Xml;

// One value cell. A plain key takes any value and changes type with it.
class RegistryKey {
public:
    enum Type { TYPE_UNSET = 0, TYPE_BOOL = 1, TYPE_INT = 2, TYPE_FLOAT = 3, TYPE_STRING = 4 };

    RegistryKey() : m_word(0), m_type(TYPE_UNSET) {}
    explicit RegistryKey(Type type) : m_word(0), m_type(type) {}
    virtual ~RegistryKey() {}
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Each returns false when the key refuses the value (a protected key).
    virtual bool SetBool(bool value);
    virtual bool SetInt(s32 value);
    virtual bool SetFloat(float value);
    virtual bool SetString(const char* value);

    // The value word: a bool in its low byte, an int, or a float's bits. A string key's text is
    // GetText.
    virtual u32 Get() const { return m_word; }
    virtual const char* GetText() const { return m_type == TYPE_STRING ? m_text.c_str() : ""; }

    Type GetType() const { return m_type; }
    bool GetBool() const { return (Get() & 0xFF) != 0; }
    s32 GetInt() const { return static_cast<s32>(Get()); }
    float GetFloat() const;

protected:
    u32 m_word;
    Type m_type;
    std::string m_text;
};

// Refuses every change; the base of the machine keys.
class RegistryKeyProtected : public RegistryKey {
public:
    explicit RegistryKeyProtected(Type type) : RegistryKey(type) {}
    bool SetBool(bool) override { return false; }
    bool SetInt(s32) override { return false; }
    bool SetFloat(float) override { return false; }
    bool SetString(const char*) override { return false; }
};

class Registry : public RefCounter {
public:
    // fn(user, changed path, key).
    typedef void (*CallbackFunction)(void* user, const std::string& path, RegistryKey* key);

    // Longest path accepted, in bytes.
    static const size_t MAX_PATH = 255;

    struct Node {
        std::map<std::string, std::unique_ptr<Node>> children;
        std::map<std::string, std::unique_ptr<RegistryKey>> keys;
    };

    struct Callback {
        CallbackFunction fn;
        void* user;
        std::string path;
        std::string tag;   // where it was registered, for diagnosis
    };

    // An empty tree with the /machine keys.
    Registry();
    ~Registry() override;

    // The node named by path ("/" is the root). stripLast: the path names a key, whose node is
    // wanted; a key needs a node below the root, so "/x" and paths ending in '/' give null. create:
    // missing nodes are made (never below /machine, which is the device's). Null for a path
    // without the leading '/' or longer than MAX_PATH.
    Node* FindNode(const char* path, bool stripLast, bool create);
    // The key named by path; with create a missing one is made unset.
    RegistryKey* FindKey(const char* path, bool create);

    // Create the key when missing, set it, and notify the callbacks; false when the path names no
    // key or the key refuses the value (no notification then).
    bool SetBool(const char* path, bool value);
    bool SetInt(const char* path, s32 value);
    bool SetFloat(const char* path, float value);
    bool SetString(const char* path, const char* value);

    // The key's value as T (bool, s32, float or NarrowString); a missing key gives T().
    template <class T>
    T Get(const char* path);

    // False, with the output unchanged, when the key does not exist.
    bool TryGet(const char* path, bool& value);
    bool TryGet(const char* path, s32& value);
    bool TryGet(const char* path, float& value);
    bool TryGet(const char* path, NarrowString& value);

    void AddCallback(const std::string& path, CallbackFunction fn, void* user,
                     const std::string& file, const std::string& function, int line);
    // Removes the first callback with this fn, user and path; true when one was removed. Calls of
    // it running on other threads are waited for, so once this returns it is never called again
    // and its user may go. A callback may remove itself (its own call is not waited for); two
    // callbacks running on two threads must not remove each other.
    bool RemoveCallback(const std::string& path, CallbackFunction fn, void* user);
    // Calls, in registration order, every callback whose path is a text prefix of path. Callbacks
    // may add or remove callbacks: one added during a notification waits for the next, one
    // removed is not called. Inside a script's LuaSet a callback's script error or exception ends
    // the notification and reaches the script as its error.
    void NotifyCallbacks(const std::string& path, RegistryKey* key);

    // The subtree at path as an XML document; empty when the node does not exist. Names and texts
    // are escaped, so every value loads back as it was.
    std::string SaveToString(const char* path);
    // Writes SaveToString(path) to a file of the virtual file system; true when all of it was
    // written and the file closed cleanly.
    bool SavePlain(const char* fileName, const char* path);
    // The same, enciphered with key (a NUL-terminated text the caller keeps; the registry stores
    // none). On a save mount the previous file stays whole until the new one is complete.
    bool Save(const char* fileName, const char* key, const char* path);

    // Loads the first "node" element under a "registry" root into basePath (when non-empty) or the
    // path its name attribute gives. Keys are set through their own setters (a protected key keeps
    // its value); with notify every key element is announced. False when the document is not a
    // registry or names no node to load into.
    bool Load(const Xml& document, bool notify, const char* basePath);
    bool LoadFromString(const NarrowString& text, bool notify, const char* basePath);
    bool LoadPlain(const char* fileName, bool notify, const char* basePath);
    // Loads a file written by Save; false for a missing file, a wrong key or a broken document.
    bool LoadEncrypted(const char* fileName, const char* key, bool notify, const char* basePath);

    // Script functions over g_registry. LuaGet(path): the key's value, nil when there is no such
    // key (or no registry). LuaSet(path, value): a boolean, a number (a whole one that fits an
    // int is stored as an int, any other as a float), or a text; returns whether it was set.
    static int LuaGet(lua_State* state);
    static int LuaSet(lua_State* state);

    Node& GetRoot() { return m_root; }
    // A copy of the callback list, taken under its lock (for listings).
    std::vector<Callback> GetCallbacks();

private:
    struct Entry {
        Callback callback;
        u64 id;
    };
    struct Running {
        u64 id;
        std::thread::id thread;
    };
    // Calls the callback of id unless it was removed meanwhile. Inside LuaSet the call is
    // protected, and its script error or exception is thrown from here once it is over.
    void CallOne(u64 id, const std::string& path, RegistryKey* key);
    void CreateMachineKeys();

    Node m_root;
    std::vector<Entry> m_callbacks;
    bool m_building;
    std::mutex m_callbackMutex;
    // Calls in progress, by callback and thread; a removal waits for its callback's to end.
    std::vector<Running> m_running;
    std::condition_variable m_callEnded;
    u64 m_nextId = 1;
};

template <>
bool Registry::Get<bool>(const char* path);
template <>
s32 Registry::Get<s32>(const char* path);
template <>
float Registry::Get<float>(const char* path);
template <>
NarrowString Registry::Get<NarrowString>(const char* path);

extern SmartPtr<Registry> g_registry;

} // namespace Vorn
