#include <gtest/gtest.h>

#include "network/Uri.h"

using namespace Vorn;

namespace {

struct ParseCase {
    const char* text;
    const char* parts[7]; // scheme, user, host, port, path, query, fragment
};

} // namespace

TEST(Uri, ParsesIntoSevenParts)
{
    const ParseCase cases[] = {
        {"http://user@host:8080/a/b?q=1&r=2#frag", {"http", "user", "host", "8080", "/a/b", "q=1&r=2", "frag"}},
        {"http://host", {"http", "", "host", "", "", "", ""}},
        {"http://host/", {"http", "", "host", "", "/", "", ""}},
        {"file:///tmp/x", {"file", "", "", "", "/tmp/x", "", ""}},
        {"mailto:someone@example.org", {"mailto", "", "", "", "someone@example.org", "", ""}},
        {"urn:a:b", {"urn", "", "", "", "a:b", "", ""}},
        {"x:", {"x", "", "", "", "", "", ""}},
        {"x:#", {"x", "", "", "", "", "", ""}},
        {"x:?q#f?g", {"x", "", "", "", "", "q", "f?g"}},
        {"http://u:p@h:1/p", {"http", "u:p", "h", "1", "/p", "", ""}},
        {"no colon at all", {"", "", "", "", "", "", ""}},
        {"http:/a//b", {"", "", "", "", "", "", ""}},   // "//" not right after the ':'
        {"%68ttp://%41", {"http", "", "A", "", "", "", ""}},
        // Split before decoding: escaped separators stay data of their part.
        {"http://u%40v@h%3a1:2/a%3fb%23c", {"http", "u@v", "h:1", "2", "/a?b#c", "", ""}},
        {"x:%2f%2fhost", {"x", "", "", "", "//host", "", ""}},
        {"x:%4", {"x", "", "", "", "%4", "", ""}},
        {"x:%zz%2", {"x", "", "", "", "%zz%2", "", ""}},
        {"x:a%2fb", {"x", "", "", "", "a/b", "", ""}},
    };
    for (const ParseCase& c : cases) {
        Uri uri;
        uri.path = "stale";
        uri.Parse(c.text);
        const NarrowString* parts[] = {&uri.scheme, &uri.user, &uri.host, &uri.port,
                                       &uri.path,   &uri.query, &uri.fragment};
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(c.parts[i], *parts[i]) << c.text << " part " << i;
    }
}

TEST(Uri, Encode)
{
    EXPECT_EQ("%20%2f", Uri::Encode(" /", nullptr));
    EXPECT_EQ("aZ09-._~", Uri::Encode("aZ09-._~", ""));
    EXPECT_EQ("a/b%3a", Uri::Encode("a/b:", "/"));
    EXPECT_EQ("\xC3%a9%00", Uri::Encode(NarrowString("\xC3\xA9\0", 3), "\xC3"));
}

TEST(Uri, BuildsTextBack)
{
    Uri uri;
    uri.Parse("http://me@example.org:81/p/q?a=b/c:d&e=%25#x y");
    EXPECT_EQ("me@example.org:81", uri.GetAuthority());
    EXPECT_EQ("http://me@example.org:81/p/q?a=b%2fc%3ad&e=%#x%20y", uri.ToString());
    EXPECT_EQ("/p/q?a=b/c:d&e=%#x%20y", uri.GetPathAndQuery());

    Uri hostless;
    hostless.Parse("mailto:x");
    EXPECT_EQ("", hostless.GetAuthority());
    EXPECT_EQ("mailto:x", hostless.ToString());
}

TEST(Uri, AddQueryParameter)
{
    Uri uri;
    uri.AddQueryParameter("k", "v 1");
    uri.AddQueryParameter("a&b", "=");
    EXPECT_EQ("k=v%201&a%26b=%3d", uri.query);
    uri.Clear();
    EXPECT_EQ("", uri.query);
}
