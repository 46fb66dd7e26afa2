#include "frame/skin_win.h"

#include <map>
#include <mutex>

#include "common/on_demand_win.h"

namespace lumo {

namespace {

struct ListInfo {
    int id;
    int cx;
};
constexpr ListInfo kLists[] = {
    {IDB_IMAGE_LIST1, IDB_IMAGE_LIST1_CX},
    {IDB_IMAGE_LIST_WEB_ICON, IDB_IMAGE_LIST_WEB_ICON_CX},
    {IDB_IMAGE_WEB_ICON2, IDB_IMAGE_WEB_ICON2_CX},
    {IDB_IMAGE_LIST3, IDB_IMAGE_LIST3_CX},
    {IDB_IMAGE_LIST4, IDB_IMAGE_LIST4_CX},
    {IDB_IMAGE_LIST_SIDE_BUTTON, IDB_IMAGE_LIST_SIDE_BUTTON_CX},
    {IDB_IMAGE_LIST_CLOSE_PAGE, IDB_IMAGE_LIST_CLOSE_PAGE_CX},
    {IDB_IMAGE_LIST_RIGHT_SMALL, IDB_IMAGE_LIST_RIGHT_SMALL_CX},
    {IDB_IMAGE_LIST_B01, IDB_IMAGE_LIST_B01_CX},
    {IDB_IL_TREE, IDB_IL_TREE_CX},
    {IDB_IMAGE_LIST_DEL_NODE, IDB_IMAGE_LIST_DEL_NODE_CX},
    {IDB_IMAGE_LIST_LEFT_PANEL_BUTTON_NORMAL, IDB_IMAGE_LIST_LEFT_PANEL_BUTTON_NORMAL_CX},
};

// A 32-bit top-down picture header.
BITMAPINFOHEADER Header(int width, int height) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof(h);
    h.biWidth = width;
    h.biHeight = -height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    return h;
}

Pixels ReadPixels(HBITMAP picture) {
    Pixels p;
    BITMAP bm{};
    if (!picture || !GetObjectW(picture, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return p;
    BITMAPINFO info{};
    info.bmiHeader = Header(bm.bmWidth, bm.bmHeight);
    p.data.resize(static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight));
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, picture, 0, static_cast<UINT>(bm.bmHeight), p.data.data(), &info,
                         DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != bm.bmHeight)
        return {};
    for (auto& px : p.data) px &= 0xFFFFFF;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    return p;
}

HBITMAP MakePicture(const Pixels& p) {
    if (p.width <= 0 || p.height <= 0)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader = Header(p.width, p.height);
    void* bits = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (b && bits)
        memcpy(bits, p.data.data(), p.data.size() * sizeof(p.data[0]));
    return b;
}

// SKIN_KEY_COLOR (a COLORREF, 0x00BBGGRR) as a pixel (0x00RRGGBB).
constexpr std::uint32_t kKeyPixel =
    ((SKIN_KEY_COLOR & 0xFF) << 16) | (SKIN_KEY_COLOR & 0xFF00) | ((SKIN_KEY_COLOR >> 16) & 0xFF);

}  // namespace

const Skin& Skin::Get(int dpi) {
    static std::mutex lock;
    static std::map<int, std::unique_ptr<Skin>> skins;
    if (dpi < 24 || dpi > 960)
        dpi = kDesignDpi;
    std::lock_guard<std::mutex> hold(lock);
    auto& design = skins[kDesignDpi];
    if (!design) {
        design.reset(new Skin(kDesignDpi));
        design->Load();
    }
    auto& skin = skins[dpi];
    if (!skin) {
        skin.reset(new Skin(dpi));
        skin->ScaleFrom(*design);
    }
    return *skin;
}

Skin::Skin(int dpi) : dpi_(dpi) {}

Skin::~Skin() = default;  // kept until the process ends

void Skin::Load() {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    for (int id = kFirstId; id <= kLastId; ++id) {
        pictures_[id - kFirstId] = static_cast<HBITMAP>(
            LoadImageW(inst, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    }
    for (const ListInfo& l : kLists) {
        lists_[l.id - kFirstId] =
            ondemand::ImageList_LoadImageW(inst, MAKEINTRESOURCEW(l.id), l.cx, 0, SKIN_KEY_COLOR,
                                           IMAGE_BITMAP, LR_CREATEDIBSECTION);
    }
}

void Skin::ScaleFrom(const Skin& design) {
    for (int id = kFirstId; id <= kLastId; ++id) {
        Pixels p = ReadPixels(design.Picture(id));
        if (p.width > 0)
            pictures_[id - kFirstId] =
                MakePicture(ScalePixels(p, Px(p.width), Px(p.height), kKeyPixel));
    }
    // An image list is one strip: every image is scaled on its own, so
    // the strip stays a whole number of images wide.
    for (const ListInfo& l : kLists) {
        Pixels strip = ReadPixels(design.Picture(l.id));
        int count = l.cx > 0 ? strip.width / l.cx : 0;
        if (count <= 0)
            continue;
        int cx = Px(l.cx), cy = Px(strip.height);
        Pixels scaled;
        scaled.width = cx * count;
        scaled.height = cy;
        scaled.data.resize(static_cast<size_t>(scaled.width) * static_cast<size_t>(cy));
        for (int i = 0; i < count; ++i) {
            Pixels one;
            one.width = l.cx;
            one.height = strip.height;
            for (int y = 0; y < strip.height; ++y)
                for (int x = 0; x < l.cx; ++x)
                    one.data.push_back(
                        strip.data[static_cast<size_t>(y * strip.width + i * l.cx + x)]);
            Pixels big = ScalePixels(one, cx, cy, kKeyPixel);
            for (int y = 0; y < cy; ++y)
                for (int x = 0; x < cx; ++x)
                    scaled.data[static_cast<size_t>(y * scaled.width + i * cx + x)] =
                        big.data[static_cast<size_t>(y * cx + x)];
        }
        HBITMAP bitmap = MakePicture(scaled);
        HIMAGELIST list = ondemand::ImageList_Create(cx, cy, ILC_COLOR24 | ILC_MASK, count, 0);
        if (list && bitmap)
            ondemand::ImageList_AddMasked(list, bitmap, SKIN_KEY_COLOR);
        if (bitmap)
            DeleteObject(bitmap);
        lists_[l.id - kFirstId] = list;
    }
}

HBITMAP Skin::Picture(int id) const {
    return id >= kFirstId && id <= kLastId ? pictures_[id - kFirstId] : nullptr;
}

HIMAGELIST Skin::List(int id) const {
    return id >= kFirstId && id <= kLastId ? lists_[id - kFirstId] : nullptr;
}

SIZE Skin::PictureSize(int id) const {
    BITMAP bm{};
    if (HBITMAP b = Picture(id); b && GetObjectW(b, sizeof(bm), &bm))
        return {bm.bmWidth, bm.bmHeight};
    return {0, 0};
}

void DrawPictureColumns(HDC dc, HBITMAP picture, int srcLeft, int srcWidth, const RECT& dst,
                        COLORREF key) {
    BITMAP bm{};
    if (!picture || !GetObjectW(picture, sizeof(bm), &bm) || srcWidth <= 0 ||
        dst.right <= dst.left || dst.bottom <= dst.top)
        return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, picture);
    int w = dst.right - dst.left, h = dst.bottom - dst.top;
    if (key == CLR_NONE) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, dst.left, dst.top, w, h, mem, srcLeft, 0, srcWidth, bm.bmHeight, SRCCOPY);
    } else {
        ondemand::TransparentBlt(dc, dst.left, dst.top, w, h, mem, srcLeft, 0, srcWidth,
                                 bm.bmHeight, key);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
}

void StretchPicture(HDC dc, HBITMAP picture, const RECT& dst) {
    BITMAP bm{};
    if (picture && GetObjectW(picture, sizeof(bm), &bm))
        DrawPictureColumns(dc, picture, 0, bm.bmWidth, dst);
}

void DrawListImage(HDC dc, HIMAGELIST list, int index, int x, int y, bool faded) {
    if (!list || index < 0 || index >= ondemand::ImageList_GetImageCount(list))
        return;
    if (faded)
        ondemand::ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_NONE, RGB(255, 255, 255),
                                   ILD_TRANSPARENT | ILD_BLEND50);
    else
        ondemand::ImageList_Draw(list, index, dc, x, y, ILD_TRANSPARENT);
}

BufferedPaint::BufferedPaint(HDC target, const RECT& area) : target_(target), area_(area) {
    int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0)
        return;
    mem_ = CreateCompatibleDC(target);
    bitmap_ = CreateCompatibleBitmap(target, w, h);
    if (!mem_ || !bitmap_) {
        if (mem_)
            DeleteDC(mem_);
        if (bitmap_)
            DeleteObject(bitmap_);
        mem_ = nullptr;
        bitmap_ = nullptr;
        return;
    }
    old_ = SelectObject(mem_, bitmap_);
    SetWindowOrgEx(mem_, area.left, area.top, nullptr);
}

BufferedPaint::~BufferedPaint() {
    if (!mem_)
        return;
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, mem_,
           area_.left, area_.top, SRCCOPY);
    SelectObject(mem_, old_);
    DeleteObject(bitmap_);
    DeleteDC(mem_);
}

}  // namespace lumo
