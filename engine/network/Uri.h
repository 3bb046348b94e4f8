// A URI split into its seven parts; an empty part is an absent one. The port is kept as text.
#pragma once

#include "base/NarrowString.h"

namespace Vorn {

class Uri {
public:
    // Percent-decodes the whole text, then splits it. Never fails: a text without ':' or with a
    // "//" anywhere but right after the scheme's ':' leaves every part empty.
    void Parse(const NarrowString& text);
    void Clear();

    NarrowString ToString() const;
    // user@host:port, each separator only when its part is present; empty without a host.
    NarrowString GetAuthority() const;
    NarrowString GetPathAndQuery() const;
    void AddQueryParameter(const NarrowString& key, const NarrowString& value);

    // Copies letters, digits, "-._~" and the bytes in keep (may be null); every other byte becomes
    // '%' and two lower-case hexadecimal digits.
    static NarrowString Encode(const NarrowString& text, const char* keep);

    NarrowString scheme;
    NarrowString user;
    NarrowString host;
    NarrowString port;
    NarrowString path;
    NarrowString query;
    NarrowString fragment;
};

} // namespace Vorn
