// The per-user registry store: one file per key under
// ${XDG_CONFIG_HOME:-~/.config}/registry/HKEY_CURRENT_USER/<key path>.reg,
// holding string values as UTF-8. Writes replace the file atomically.
//
// File format: a first line "MIRELO-REGISTRY 1", then one line per value,
//   "name"="data"
// where name and data escape "\" as \\, a quote as \", and line feed,
// carriage return, tab and NUL as \n, \r, \t, \0. The data is kept as
// written, a terminating NUL included when a writer stored one.
#pragma once
#include <map>
#include <string>
#include <string_view>

namespace platform {

// Value name -> raw data.
using RegistryValues = std::map<std::wstring, std::wstring>;

// Parses the content of a key file; lines that are not values are skipped.
RegistryValues ParseRegistryFile(std::string_view content);
std::string SerializeRegistryFile(const RegistryValues& values);

// File of a key path such as "Software\Maker\Product" ("\" or "/" separate levels).
std::wstring RegistryKeyFile(std::wstring_view keyPath);

// Reads a string value; the text ends at its first NUL, so data stored with or
// without a terminating NUL reads the same. False when the key or value is missing.
bool ReadRegistryString(std::wstring_view keyPath, std::wstring_view name, std::wstring& value);
// Creates the key when missing and sets the value (stored without a NUL).
bool WriteRegistryString(std::wstring_view keyPath, std::wstring_view name, std::wstring_view value);
// Stores raw data exactly as given (a terminating NUL included), as another
// writer may have done.
bool WriteRegistryRaw(std::wstring_view keyPath, std::wstring_view name, std::wstring_view data);

}  // namespace platform
