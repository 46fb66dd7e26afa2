#include "frame/skin_win.h"

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

}  // namespace

const Skin& Skin::Get() {
    static const Skin skin;
    return skin;
}

Skin::Skin() {
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
