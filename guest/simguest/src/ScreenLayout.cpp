#include "ScreenLayout.h"

namespace {

constexpr int kStatusBarHeight = 32;
constexpr int kNavBarHeight = 56;
constexpr int kMargin = 16;
constexpr int kButtonHeight = 48;
constexpr int kTextFieldHeight = 56;

// Three buttons side by side across a row.
void placeButtons(ScreenLayout &layout, QRect row)
{
    const int width = (row.width() - 2 * kMargin) / 3;
    layout.copyButton = QRect(row.left(), row.top(), width, row.height());
    layout.rotateButton = QRect(row.left() + width + kMargin, row.top(), width, row.height());
    layout.gameButton = QRect(row.left() + 2 * (width + kMargin), row.top(), width, row.height());
}

void placeLandscape(ScreenLayout &layout)
{
    const QRect c = layout.content;
    const int leftWidth = 400;
    const int rightLeft = c.left() + kMargin + leftWidth + kMargin;
    const int rightWidth = c.right() - kMargin - rightLeft + 1;
    layout.identity = QRect(c.left() + kMargin, c.top() + 12, leftWidth, 200);
    layout.info = QRect(c.left() + kMargin, layout.identity.bottom() + 13, leftWidth,
                        c.bottom() - 12 - layout.identity.bottom() - 12);
    layout.textField = QRect(rightLeft, c.top() + 12, rightWidth, kTextFieldHeight);
    placeButtons(layout,
                 QRect(rightLeft, layout.textField.bottom() + 13, rightWidth, kButtonHeight));
    const int launcherTop = layout.copyButton.bottom() + 17;
    layout.launcher = QRect(rightLeft, launcherTop, rightWidth, c.bottom() - 12 - launcherTop + 1);
}

void placePortrait(ScreenLayout &layout)
{
    const QRect c = layout.content;
    const int width = c.width() - 2 * kMargin;
    const int left = c.left() + kMargin;
    layout.identity = QRect(left, c.top() + 12, width, 200);
    layout.textField = QRect(left, layout.identity.bottom() + 13, width, kTextFieldHeight);
    placeButtons(layout, QRect(left, layout.textField.bottom() + 13, width, kButtonHeight));
    layout.launcher =
        QRect(left, layout.copyButton.bottom() + 17, width, 3 * ScreenLayout::kTileHeight);
    layout.info = QRect(left, layout.launcher.bottom() + 13, width,
                        c.bottom() - 12 - layout.launcher.bottom() - 12);
}

} // namespace

ScreenLayout ScreenLayout::forSize(QSize size)
{
    ScreenLayout layout;
    layout.size = size;
    layout.statusBar = QRect(0, 0, size.width(), kStatusBarHeight);
    layout.marker = QRect(8, 4, 24, 24);
    layout.navBar = QRect(0, size.height() - kNavBarHeight, size.width(), kNavBarHeight);
    const int third = size.width() / 3;
    layout.backButton = QRect(0, layout.navBar.top(), third, kNavBarHeight);
    layout.homeButton = QRect(third, layout.navBar.top(), third, kNavBarHeight);
    layout.recentsButton =
        QRect(2 * third, layout.navBar.top(), size.width() - 2 * third, kNavBarHeight);
    layout.content =
        QRect(0, kStatusBarHeight, size.width(), layout.navBar.top() - kStatusBarHeight);
    if (size.width() >= size.height())
        placeLandscape(layout);
    else
        placePortrait(layout);
    const QSize panel(std::min(600, size.width() - 2 * kMargin), 360);
    layout.editorPanel = QRect(QPoint(0, 0), panel);
    layout.editorPanel.moveCenter(layout.content.center());
    layout.editorClose = QRect(layout.editorPanel.right() - 160, layout.editorPanel.bottom() - 64,
                               144, kButtonHeight);
    layout.recentsPanel =
        layout.content.adjusted(kMargin * 3, kMargin * 2, -kMargin * 3, -kMargin * 2);
    return layout;
}

int ScreenLayout::launcherCapacity() const
{
    return std::max(0, launcher.width() / kTileWidth) *
           std::max(0, launcher.height() / kTileHeight);
}

QRect ScreenLayout::launcherTile(int index) const
{
    const int columns = launcher.width() / kTileWidth;
    if (index < 0 || columns <= 0 || index >= launcherCapacity())
        return {};
    return QRect(launcher.left() + (index % columns) * kTileWidth,
                 launcher.top() + (index / columns) * kTileHeight, kTileWidth, kTileHeight);
}

ScreenHit hitTest(const ScreenLayout &layout, const ScreenState &state, QPoint point)
{
    using Target = ScreenHit::Target;
    if (!state.booted)
        return {};
    if (layout.backButton.contains(point))
        return {Target::Back};
    if (layout.homeButton.contains(point))
        return {Target::Home};
    if (layout.recentsButton.contains(point))
        return {Target::Recents};
    if (state.editorShown)
        return layout.editorClose.contains(point) ? ScreenHit{Target::EditorClose} : ScreenHit{};
    if (state.recentsShown || state.page != ScreenState::Page::Home)
        return {};
    if (layout.copyButton.contains(point))
        return {Target::Copy};
    if (layout.rotateButton.contains(point))
        return {Target::Rotate};
    if (layout.gameButton.contains(point))
        return {Target::Game};
    for (int i = 0; i < state.apps.size(); ++i) {
        if (layout.launcherTile(i).contains(point))
            return {Target::App, i};
    }
    return {};
}
