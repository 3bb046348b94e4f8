#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/Registry.h"
#include "base/Xml.h"
#include "support/FileSizeLimit.h"
#include "support/Sandbox.h"
#include "vfs/Vfs.h"
#include "vfs/playbook/PlaybookGameSaveFile.h"

#include <unistd.h>

using namespace Vorn;
using VornTest::Sandbox;

namespace {

struct Heard {
    std::vector<std::string> paths;
};

void Listen(void* user, const std::string& path, RegistryKey*)
{
    static_cast<Heard*>(user)->paths.push_back(path);
}

// A registry without its machine subtree, for exact documents.
std::string WithoutMachine(Registry& registry)
{
    registry.GetRoot().children.erase("machine");
    return registry.SaveToString("/");
}

} // namespace

TEST(Registry, SettingAKeyMakesItsNodesAndTellsTheListenersOnItsPrefixes)
{
    SmartPtr<Registry> registry(new Registry);
    Heard heard[5];
    const char* prefixes[] = {"", "/", "/a", "/a/b", "/a/b/c"};
    for (int i = 0; i < 5; ++i)
        registry->AddCallback(prefixes[i], Listen, &heard[i], __FILE__, "test", __LINE__);

    EXPECT_TRUE(registry->SetInt("/a/b", 5));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(heard[i].paths, std::vector<std::string>{"/a/b"}) << prefixes[i];
    EXPECT_TRUE(heard[4].paths.empty());

    s32 value = 0;
    EXPECT_TRUE(registry->TryGet("/a/b", value));
    EXPECT_EQ(value, 5);
    EXPECT_NE(registry->FindNode("/a", false, false), nullptr);
}

TEST(Registry, PathsThatNameNoKeyAreRefused)
{
    SmartPtr<Registry> registry(new Registry);
    Heard heard;
    registry->AddCallback("/", Listen, &heard, __FILE__, "test", __LINE__);
    EXPECT_FALSE(registry->SetInt("/x", 1)) << "a key directly under the root";
    EXPECT_FALSE(registry->SetInt("/a/", 1));
    EXPECT_FALSE(registry->SetInt("a/b", 1));
    EXPECT_FALSE(registry->SetInt(nullptr, 1));
    EXPECT_FALSE(registry->SetInt(("/a/" + std::string(300, 'k')).c_str(), 1));
    EXPECT_TRUE(heard.paths.empty());
    s32 value = 9;
    EXPECT_FALSE(registry->TryGet("/a/missing", value));
    EXPECT_EQ(value, 9);
}

TEST(Registry, KeysChangeTypeWithTheirValues)
{
    SmartPtr<Registry> registry(new Registry);
    ASSERT_TRUE(registry->SetInt("/s/k", 7));
    ASSERT_TRUE(registry->SetString("/s/k", "seven"));
    RegistryKey* key = registry->FindKey("/s/k", false);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->GetType(), RegistryKey::TYPE_STRING);
    EXPECT_STREQ(key->GetText(), "seven");
    ASSERT_TRUE(registry->SetFloat("/s/k", 2.5f));
    EXPECT_EQ(key->GetType(), RegistryKey::TYPE_FLOAT);
    EXPECT_STREQ(key->GetText(), "");
    EXPECT_EQ(key->GetFloat(), 2.5f);
    ASSERT_TRUE(registry->SetBool("/s/k", true));
    bool flag = false;
    EXPECT_TRUE(registry->TryGet("/s/k", flag));
    EXPECT_TRUE(flag);
}

TEST(Registry, ACallbackAddedDuringANotificationWaitsForTheNextOne)
{
    SmartPtr<Registry> registry(new Registry);
    struct Adder {
        Registry* registry;
        Heard late;
        int calls = 0;
    } adder{registry.Get(), {}, 0};
    registry->AddCallback("/a", [](void* user, const std::string&, RegistryKey*) {
        Adder* a = static_cast<Adder*>(user);
        if (a->calls++ == 0)
            a->registry->AddCallback("/a", Listen, &a->late, __FILE__, "test", __LINE__);
    }, &adder, __FILE__, "test", __LINE__);
    registry->SetInt("/a/x", 1);
    EXPECT_TRUE(adder.late.paths.empty());
    registry->SetInt("/a/x", 2);
    EXPECT_EQ(adder.late.paths.size(), 1u);
    EXPECT_TRUE(registry->RemoveCallback("/a", Listen, &adder.late));
    EXPECT_FALSE(registry->RemoveCallback("/a", Listen, &adder.late));
}

TEST(Registry, SavesTheDocumentLineByLine)
{
    SmartPtr<Registry> registry(new Registry);
    registry->SetInt("/a/b", 5);
    EXPECT_EQ(WithoutMachine(*registry),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<registry>\n"
              "\t<node name=\"/\">\n"
              "\t\t<node name=\"a\">\n"
              "\t\t\t<key name=\"b\" type=\"int\">5</key>\n"
              "\t\t</node>\n"
              "\t</node>\n"
              "</registry>\n");
    EXPECT_EQ(registry->SaveToString("/missing"), "");
}

TEST(Registry, EverySavedValueLoadsBackAsItWas)
{
    SmartPtr<Registry> source(new Registry);
    source->SetBool("/game/sound/on", true);
    source->SetInt("/game/sound/volume", -12);
    source->SetFloat("/game/speed", 1.25f);
    // Markup characters in names and texts must not break the document.
    source->SetString("/game/names/<odd> & \"quoted\"", "a < b & c > \"d\"");
    source->FindKey("/game/unset", true);
    std::string text = source->SaveToString("/game");
    ASSERT_FALSE(text.empty());

    SmartPtr<Registry> copy(new Registry);
    ASSERT_TRUE(copy->LoadFromString(text, false, nullptr));
    bool on = false;
    s32 volume = 0;
    float speed = 0.0f;
    NarrowString name;
    EXPECT_TRUE(copy->TryGet("/game/sound/on", on));
    EXPECT_TRUE(on);
    EXPECT_TRUE(copy->TryGet("/game/sound/volume", volume));
    EXPECT_EQ(volume, -12);
    EXPECT_TRUE(copy->TryGet("/game/speed", speed));
    EXPECT_EQ(speed, 1.25f);
    EXPECT_TRUE(copy->TryGet("/game/names/<odd> & \"quoted\"", name));
    EXPECT_EQ(name, "a < b & c > \"d\"");
    EXPECT_EQ(copy->FindKey("/game/unset", false), nullptr) << "an unset key is not written";
}

TEST(Registry, LoadingKeepsWhatItCannotReadAndAnnouncesEveryKey)
{
    SmartPtr<Registry> registry(new Registry);
    registry->SetBool("/o/flag", true);
    registry->SetInt("/o/count", 3);
    Heard heard;
    registry->AddCallback("/o", Listen, &heard, __FILE__, "test", __LINE__);
    ASSERT_TRUE(registry->LoadFromString(
        "<registry><node name=\"/o\">"
        "<key name=\"flag\" type=\"bool\">yes</key>"
        "<key name=\"count\" type=\"int\">0x10</key>"
        "<key name=\"other\" type=\"colour\">red</key>"
        "<node name=\"deep\"><key name=\"k\" type=\"string\">v</key></node>"
        "</node><node name=\"/ignored\"/></registry>",
        true, nullptr));
    bool flag = false;
    s32 count = 0;
    EXPECT_TRUE(registry->TryGet("/o/flag", flag));
    EXPECT_TRUE(flag) << "yes is no bool";
    EXPECT_TRUE(registry->TryGet("/o/count", count));
    EXPECT_EQ(count, 16);
    ASSERT_NE(registry->FindKey("/o/other", false), nullptr);
    EXPECT_EQ(registry->FindKey("/o/other", false)->GetType(), RegistryKey::TYPE_UNSET);
    // Every key element is announced, whether or not its value was taken.
    std::vector<std::string> expected = {"/o/flag", "/o/count", "/o/other", "/o/deep/k"};
    EXPECT_EQ(heard.paths, expected);
    EXPECT_EQ(registry->FindNode("/ignored", false, false), nullptr);
}

TEST(Registry, LoadingIntoTheRootDoesNotDoubleTheSlash)
{
    SmartPtr<Registry> registry(new Registry);
    Heard heard;
    registry->AddCallback("/audio", Listen, &heard, __FILE__, "test", __LINE__);
    ASSERT_TRUE(registry->LoadFromString(
        "<registry><node name=\"/\"><node name=\"audio\">"
        "<key name=\"volume\" type=\"float\">0.5</key></node></node></registry>",
        true, nullptr));
    EXPECT_EQ(heard.paths, std::vector<std::string>{"/audio/volume"});
}

TEST(Registry, DocumentsThatAreNoRegistryAreRefused)
{
    SmartPtr<Registry> registry(new Registry);
    EXPECT_FALSE(registry->LoadFromString("<settings><node name=\"/a\"/></settings>", false, nullptr));
    EXPECT_FALSE(registry->LoadFromString("<registry></registry>", false, nullptr));
    EXPECT_FALSE(registry->LoadFromString("<registry><node/></registry>", false, nullptr));
    EXPECT_FALSE(registry->LoadFromString("<registry><node", false, nullptr));
    EXPECT_TRUE(registry->LoadFromString("<registry><node/></registry>", false, "/base"));
    EXPECT_NE(registry->FindNode("/base", false, false), nullptr);
}

TEST(Registry, MachineKeysReportAndRefuseChanges)
{
    SmartPtr<Registry> registry(new Registry);
    NarrowString platform;
    EXPECT_TRUE(registry->TryGet("/machine/platform", platform));
    EXPECT_EQ(platform, "unknown");
    s32 width = -1;
    EXPECT_TRUE(registry->TryGet("/machine/resolution/x", width));
    EXPECT_EQ(width, 0) << "no application, no display";
    EXPECT_FALSE(registry->SetInt("/machine/resolution/x", 5));
    EXPECT_FALSE(registry->SetInt("/machine/new", 5)) << "nothing is added to the machine's facts";
    EXPECT_EQ(registry->FindKey("/machine/new", false), nullptr);
    ASSERT_TRUE(registry->LoadFromString(
        "<registry><node name=\"/machine\"><key name=\"platform\" type=\"string\">mine</key>"
        "</node></registry>", false, nullptr));
    EXPECT_TRUE(registry->TryGet("/machine/platform", platform));
    EXPECT_EQ(platform, "unknown");
    std::string saved = registry->SaveToString("/machine/gl");
    EXPECT_NE(saved.find("<key name=\"texsize\" type=\"int\">"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<key name=\"vendor\" type=\"string\">"), std::string::npos) << saved;
}

TEST(Registry, SavedToAFileAndLoadedFromIt)
{
    VornTest::Sandbox sandbox;
    Vfs::MountNative("./", "save/", 3);
    SmartPtr<Registry> registry(new Registry);
    registry->SetInt("/p/level", 12);
    ASSERT_TRUE(registry->SavePlain("save/settings.xml", "/p"));
    SmartPtr<Registry> copy(new Registry);
    ASSERT_TRUE(copy->LoadPlain("save/settings.xml", false, nullptr));
    s32 level = 0;
    EXPECT_TRUE(copy->TryGet("/p/level", level));
    EXPECT_EQ(level, 12);
    EXPECT_FALSE(registry->SavePlain("save/other.xml", "/missing"));
    EXPECT_FALSE(copy->LoadPlain("save/none.xml", false, nullptr));
}

namespace {

const char* const KEY = "a key of the caller's";

std::string FileBytes(const std::string& path)
{
    bool found = false;
    std::vector<Vorn::u8> bytes = VornTest::ReadBytes(path, &found);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(Registry, SavedEncipheredAndLoadedBackWithTheKeyOnly)
{
    VornTest::Sandbox sandbox;
    Vfs::MountNative("./", "save/", 3);
    SmartPtr<Registry> registry(new Registry);
    registry->SetInt("/p/level", 12);
    registry->SetString("/p/name", "secret name");
    ASSERT_TRUE(registry->Save("save/settings", KEY, "/p"));
    const std::string stored = FileBytes(Sandbox::Data("._settings"));
    ASSERT_GT(stored.size(), 9u);
    EXPECT_EQ(stored[0], '\x01');
    EXPECT_EQ((stored.size() - 1) % 8, 0u);
    EXPECT_EQ(stored.find("secret"), std::string::npos) << "nothing readable on disk";

    SmartPtr<Registry> copy(new Registry);
    EXPECT_FALSE(copy->LoadEncrypted("save/settings", "another key", false, nullptr));
    EXPECT_EQ(copy->FindKey("/p/level", false), nullptr);
    EXPECT_FALSE(copy->LoadPlain("save/settings", false, nullptr)) << "no document in the clear";
    ASSERT_TRUE(copy->LoadEncrypted("save/settings", KEY, false, nullptr));
    EXPECT_EQ(copy->Get<s32>("/p/level"), 12);
    EXPECT_EQ(copy->Get<NarrowString>("/p/name"), "secret name");
    EXPECT_EQ(copy->Get<s32>("/p/missing"), 0);
    EXPECT_FALSE(copy->Get<bool>("/p/missing"));

    EXPECT_FALSE(registry->Save("save/other", KEY, "/missing"));
    EXPECT_FALSE(copy->LoadEncrypted("save/none", KEY, false, nullptr));
}

TEST(Registry, AFullDiskKeepsThePreviousEncipheredSave)
{
    VornTest::Sandbox sandbox;
    Vfs::MountNative("./", "save/", 3);
    SmartPtr<Registry> registry(new Registry);
    registry->SetInt("/p/level", 1);
    ASSERT_TRUE(registry->Save("save/settings", KEY, "/p"));
    const std::string before = FileBytes(Sandbox::Data("._settings"));
    registry->SetString("/p/long", std::string(100000, 'x').c_str());
    {
        const VornTest::FileSizeLimit full(4096);
        EXPECT_FALSE(registry->Save("save/settings", KEY, "/p"));
    }
    EXPECT_EQ(FileBytes(Sandbox::Data("._settings")), before);
    SmartPtr<Registry> copy(new Registry);
    ASSERT_TRUE(copy->LoadEncrypted("save/settings", KEY, false, nullptr));
    EXPECT_EQ(copy->Get<s32>("/p/level"), 1);
}

TEST(Registry, NumbersKeepTheirValueThroughTheDocument)
{
    SmartPtr<Registry> source(new Registry);
    const float floats[] = {1.25f, 1e-7f, 5e9f, -3.4e38f, 0.1f, 123456.789f};
    for (size_t i = 0; i < sizeof(floats) / sizeof(floats[0]); ++i)
        source->SetFloat(("/f/v" + std::to_string(i)).c_str(), floats[i]);
    source->SetInt("/i/min", -2147483647 - 1);
    std::string text = source->SaveToString("/");
    EXPECT_NE(text.find(">1.250000<"), std::string::npos) << "plain values keep six decimals";
    SmartPtr<Registry> copy(new Registry);
    ASSERT_TRUE(copy->LoadFromString(text, false, nullptr));
    for (size_t i = 0; i < sizeof(floats) / sizeof(floats[0]); ++i)
        EXPECT_EQ(copy->Get<float>(("/f/v" + std::to_string(i)).c_str()), floats[i]) << i;
    EXPECT_EQ(copy->Get<s32>("/i/min"), -2147483647 - 1);

    // An int text beyond 32 bits is refused rather than wrapped.
    SmartPtr<Registry> target(new Registry);
    target->SetInt("/n/big", 3);
    ASSERT_TRUE(target->LoadFromString(
        "<registry><node name=\"/n\"><key name=\"big\" type=\"int\">5000000000</key>"
        "<key name=\"hex\" type=\"int\">0x10</key></node></registry>",
        false, nullptr));
    EXPECT_EQ(target->Get<s32>("/n/big"), 3);
    EXPECT_EQ(target->Get<s32>("/n/hex"), 16);
}

TEST(Registry, LongPathsAreRefusedWhole)
{
    SmartPtr<Registry> registry(new Registry);
    std::string path = "/a/" + std::string(300, 'k');
    EXPECT_FALSE(registry->SetInt(path.c_str(), 1));
    EXPECT_EQ(registry->FindKey(path.c_str(), false), nullptr);
    EXPECT_TRUE(registry->GetRoot().children.count("a") == 0) << "nothing made for a refused path";
}

namespace {

struct Remover {
    Registry* registry;
    std::vector<std::string> calls;
    Heard* other = nullptr;
};

void RemoveSelf(void* user, const std::string&, RegistryKey*)
{
    auto* remover = static_cast<Remover*>(user);
    remover->calls.push_back("self");
    remover->registry->RemoveCallback("/r", &RemoveSelf, user);
    // Also takes the next listener away: it must not be called with a user that may be gone.
    remover->registry->RemoveCallback("/r", &Listen, remover->other);
}

} // namespace

TEST(Registry, ACallbackRemovedDuringANotificationIsNotCalledAgain)
{
    SmartPtr<Registry> registry(new Registry);
    Heard other;
    Remover remover{registry.Get(), {}, &other};
    registry->AddCallback("/r", &RemoveSelf, &remover, __FILE__, "test", __LINE__);
    registry->AddCallback("/r", &Listen, &other, __FILE__, "test", __LINE__);
    registry->SetInt("/r/x", 1);
    registry->SetInt("/r/x", 2);
    EXPECT_EQ(remover.calls.size(), 1u);
    EXPECT_TRUE(other.paths.empty());
    EXPECT_TRUE(registry->GetCallbacks().empty());
}

namespace {

// A callback's owner, which the test takes away once the callback is removed.
struct Owner {
    std::atomic<int> inside{0};
    std::atomic<bool> gone{false};
    std::atomic<int> callsAfterGone{0};
};

void Watch(void* user, const std::string&, RegistryKey*)
{
    auto* owner = static_cast<Owner*>(user);
    owner->inside.fetch_add(1);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (owner->gone.load())
        owner->callsAfterGone.fetch_add(1);
    owner->inside.fetch_sub(1);
}

} // namespace

TEST(Registry, RemovalWaitsForTheCallsOtherThreadsAreMaking)
{
    SmartPtr<Registry> registry(new Registry);
    for (int round = 0; round < 20; ++round) {
        Owner owner;
        registry->AddCallback("/t", &Watch, &owner, __FILE__, "test", __LINE__);
        std::atomic<bool> stop{false};
        std::thread setter([&] {
            for (int i = 0; !stop.load(); ++i)
                registry->SetInt("/t/value", i);
        });
        while (owner.inside.load() == 0)
            std::this_thread::yield();
        EXPECT_TRUE(registry->RemoveCallback("/t", &Watch, &owner));
        // Once removal returns no call is running and none starts: the owner may go.
        owner.gone.store(true);
        EXPECT_EQ(owner.inside.load(), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        stop.store(true);
        setter.join();
        EXPECT_EQ(owner.callsAfterGone.load(), 0) << "round " << round;
    }
}
