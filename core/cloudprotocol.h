#ifndef CLOUDPROTOCOL_H
#define CLOUDPROTOCOL_H

#include <QLatin1StringView>

// The cloud service's protocol, named once for the program and the service alike: the paths below the
// web root, the query keys, and the keys and words of the JSON replies.
class CloudProtocol
{
public:
    // Paths, relative to the web root ("baseUrl"), which ends in "/".
    static constexpr QLatin1StringView TokenPath{"upload/token/"};
    static constexpr QLatin1StringView DataPath{"upload/data/"};
    static constexpr QLatin1StringView CheckPath{"upload/check/"};
    static constexpr QLatin1StringView FilePath{"upload/file/"};
    static constexpr QLatin1StringView UpdatePath{"update.php"};

    // Query keys.
    static constexpr QLatin1StringView Token{"token"};
    static constexpr QLatin1StringView Guid{"guid"};
    static constexpr QLatin1StringView UserName{"username"};
    static constexpr QLatin1StringView Password{"password"};
    static constexpr QLatin1StringView CloudToken{"cloudToken"};
    static constexpr QLatin1StringView Md5{"md5"};
    static constexpr QLatin1StringView FileSize{"fileSize"};
    static constexpr QLatin1StringView FirstBytes{"firstBytes"};
    static constexpr QLatin1StringView FileType{"fileType"};
    static constexpr QLatin1StringView Version{"version"};

    // The multipart part of an upload that carries the file.
    static constexpr QLatin1StringView FilePart{"file"};

    // Reply keys ("token" and "md5" as above) and the words they carry.
    static constexpr QLatin1StringView Exists{"exists"};
    static constexpr QLatin1StringView Stored{"stored"};
    static constexpr QLatin1StringView Error{"error"};
    static constexpr QLatin1StringView True{"true"};
    static constexpr QLatin1StringView False{"false"};
    // The token sent for validation is no longer valid.
    static constexpr QLatin1StringView Reset{"reset"};
};

#endif // CLOUDPROTOCOL_H
