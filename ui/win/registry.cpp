#include "win/registry.h"

#include <vector>

CRegistryKey CRegistryKey::Open(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        key = nullptr;
    }
    return CRegistryKey(key);
}

CRegistryKey CRegistryKey::Create(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        key = nullptr;
    }
    return CRegistryKey(key);
}

CRegistryKey::CRegistryKey(CRegistryKey&& other) noexcept : m_key(other.m_key) {
    other.m_key = nullptr;
}

CRegistryKey::~CRegistryKey() {
    if (m_key != nullptr) {
        RegCloseKey(m_key);
    }
}

std::optional<std::wstring> CRegistryKey::ReadString(const std::wstring& name,
                                                     size_t longest) const {
    if (m_key == nullptr) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(m_key, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ || bytes > (longest + 1) * sizeof(wchar_t)) {
        return std::nullopt;
    }
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(m_key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &read) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    // A string need not end in its NUL: the text is what comes before one, or all of it.
    text.resize(read / sizeof(wchar_t));
    std::wstring value(text.begin(), text.end());
    value.resize(std::wstring(value.c_str()).size());
    return value;
}

bool CRegistryKey::WriteString(const std::wstring& name, const std::wstring& text) {
    return m_key != nullptr &&
           RegSetValueExW(m_key, name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void CRegistryKey::DeleteValue(const std::wstring& name) {
    if (m_key != nullptr) {
        RegDeleteValueW(m_key, name.c_str());
    }
}

void DeleteRegistryTree(const std::wstring& path) {
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
}
