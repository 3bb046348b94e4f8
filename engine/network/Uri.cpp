#include "network/Uri.h"

#include <cstring>

namespace Vorn {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

NarrowString PercentDecode(const NarrowString& text)
{
    NarrowString out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool IsUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

} // namespace

void Uri::Clear()
{
    NarrowString* parts[] = {&scheme, &user, &host, &port, &path, &query, &fragment};
    for (NarrowString* part : parts)
        part->clear();
}

void Uri::Parse(const NarrowString& text)
{
    Clear();
    // The text is split first and each part decoded afterwards: an escaped ':', '/', '@', '?' or
    // '#' is data of its part, never a separator.
    const NarrowString& decoded = text;

    size_t colon = decoded.find(':');
    if (colon == NarrowString::npos)
        return;
    NarrowString newScheme = decoded.substr(0, colon);
    NarrowString rest = decoded.substr(colon + 1);

    NarrowString newFragment;
    size_t hash = rest.find('#');
    if (hash != NarrowString::npos) {
        newFragment = rest.substr(hash + 1);
        rest.erase(hash);
    }
    NarrowString newQuery;
    size_t question = rest.find('?');
    if (question != NarrowString::npos) {
        newQuery = rest.substr(question + 1);
        rest.erase(question);
    }

    NarrowString newUser, newHost, newPort, newPath;
    size_t slashes = rest.find("//");
    if (slashes == NarrowString::npos) {
        newPath = rest;
    } else {
        if (slashes != 0)
            return;
        size_t pathStart = rest.find('/', 2);
        NarrowString authority = rest.substr(2, pathStart == NarrowString::npos ? NarrowString::npos
                                                                                 : pathStart - 2);
        if (pathStart != NarrowString::npos)
            newPath = rest.substr(pathStart);
        size_t at = authority.find('@');
        if (at != NarrowString::npos) {
            newUser = authority.substr(0, at);
            authority.erase(0, at + 1);
        }
        size_t portColon = authority.find(':');
        if (portColon != NarrowString::npos) {
            newPort = authority.substr(portColon + 1);
            authority.erase(portColon);
        }
        newHost = authority;
    }

    scheme = PercentDecode(newScheme);
    user = PercentDecode(newUser);
    host = PercentDecode(newHost);
    port = PercentDecode(newPort);
    path = PercentDecode(newPath);
    query = PercentDecode(newQuery);
    fragment = PercentDecode(newFragment);
}

NarrowString Uri::Encode(const NarrowString& text, const char* keep)
{
    static const char DIGITS[] = "0123456789abcdef";
    NarrowString out;
    for (char c : text) {
        if (IsUnreserved(c) || (keep && c != '\0' && std::strchr(keep, c))) {
            out.push_back(c);
        } else {
            unsigned char byte = static_cast<unsigned char>(c);
            out.push_back('%');
            out.push_back(DIGITS[byte >> 4]);
            out.push_back(DIGITS[byte & 0xF]);
        }
    }
    return out;
}

NarrowString Uri::GetAuthority() const
{
    NarrowString out;
    if (host.empty())
        return out;
    if (!user.empty())
        out += user + "@";
    out += host;
    if (!port.empty())
        out += ":" + port;
    return out;
}

NarrowString Uri::GetPathAndQuery() const
{
    NarrowString out = path;
    if (!query.empty())
        out += "?" + Encode(query, "=&%/:");
    if (!fragment.empty())
        out += "#" + Encode(fragment, nullptr);
    return out;
}

NarrowString Uri::ToString() const
{
    NarrowString out = scheme + ":";
    NarrowString authority = GetAuthority();
    if (!authority.empty())
        out += "//" + Encode(authority, ":@");
    out += path;
    if (!query.empty())
        out += "?" + Encode(query, "=&%");
    if (!fragment.empty())
        out += "#" + Encode(fragment, nullptr);
    return out;
}

void Uri::AddQueryParameter(const NarrowString& key, const NarrowString& value)
{
    if (!query.empty())
        query += "&";
    query += Encode(key, nullptr) + "=" + Encode(value, nullptr);
}

} // namespace Vorn
