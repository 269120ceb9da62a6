#pragma once

#include <utility>

#include <windows.h>
#include <commctrl.h>

// Small owners of Windows handles, so that no path forgets to release one.

// Owns a GDI object (font, bitmap, brush) and deletes it with the window that used it.
class GdiObject
{
public:
    explicit GdiObject(HGDIOBJ object = nullptr) : handle(object) {}
    GdiObject(GdiObject&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept
    {
        std::swap(handle, other.handle);
        return *this;
    }
    ~GdiObject()
    {
        if (handle) {
            DeleteObject(handle);
        }
    }
    HGDIOBJ Get() const { return handle; }

private:
    HGDIOBJ handle;
};

// Owns an open registry key.
class RegistryKey
{
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey()
    {
        if (handle) {
            RegCloseKey(handle);
        }
    }
    HKEY* Out() { return &handle; }
    HKEY Get() const { return handle; }

private:
    HKEY handle = nullptr;
};

// Owns an icon loaded without LR_SHARED.
class IconHandle
{
public:
    explicit IconHandle(HICON icon = nullptr) : handle(icon) {}
    IconHandle(IconHandle&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    IconHandle& operator=(IconHandle&& other) noexcept
    {
        std::swap(handle, other.handle);
        return *this;
    }
    ~IconHandle()
    {
        if (handle) {
            DestroyIcon(handle);
        }
    }
    HICON Get() const { return handle; }

private:
    HICON handle;
};

// Owns an image list that no control destroys by itself (a list view with
// LVS_SHAREIMAGELISTS).
class ImageListHandle
{
public:
    explicit ImageListHandle(HIMAGELIST list = nullptr) : handle(list) {}
    ImageListHandle(ImageListHandle&& other) noexcept
        : handle(std::exchange(other.handle, nullptr))
    {
    }
    ImageListHandle& operator=(ImageListHandle&& other) noexcept
    {
        std::swap(handle, other.handle);
        return *this;
    }
    ~ImageListHandle()
    {
        if (handle) {
            ImageList_Destroy(handle);
        }
    }
    HIMAGELIST Get() const { return handle; }

private:
    HIMAGELIST handle;
};
