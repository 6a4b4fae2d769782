#pragma once
#include <string>

// The scheme of a URL ("http", "file", "about"), or "" for none. One letter
// before the colon is a drive, not a scheme.
std::string urlSchemeOf(const std::string& name);

// The local or share path of a "file:" URL; FlashExException
// "ファイルURL「URL」をパスに変換できませんでした。" when it names none.
std::string pathOfFileUrl(const std::string& url);
