#pragma once

#include <windows.h>

#include <optional>
#include <string>

// A key of the current user's part of the registry, where a program keeps its settings. Only
// string values are read and written; a value of another type reads as none.
class CRegistryKey {
public:
    // Opens the key under HKEY_CURRENT_USER to read it; a key that is not there reads as empty.
    static CRegistryKey Open(const std::wstring& path);
    // Opens the key to write it, making it (and the keys above it) when it is not there.
    static CRegistryKey Create(const std::wstring& path);

    CRegistryKey(CRegistryKey&& other) noexcept;
    CRegistryKey& operator=(CRegistryKey&&) = delete;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    ~CRegistryKey();

    bool IsOpen() const { return m_key != nullptr; }

    // The value's text when it is a string of at most `longest` characters; none otherwise.
    std::optional<std::wstring> ReadString(const std::wstring& name, size_t longest = 32767) const;
    bool WriteString(const std::wstring& name, const std::wstring& text);
    void DeleteValue(const std::wstring& name);

private:
    explicit CRegistryKey(HKEY key) : m_key(key) {}
    HKEY m_key = nullptr;
};

// Removes the key under HKEY_CURRENT_USER and everything under it.
void DeleteRegistryTree(const std::wstring& path);
