// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// What the changer shows when a desktop refuses the wallpaper. Each message
// is followed by the technical reason on its own line.
namespace tivolen::text {

inline constexpr std::string_view kNoDesktopSession =
    "デスクトップが見つかりません。壁紙はデスクトップにログインしてから設定してください"
    "（DISPLAY も WAYLAND_DISPLAY も設定されていません）。";
inline constexpr std::string_view kDesktopToolMissing =
    "壁紙を設定するプログラムが見つかりません。次のパッケージをインストールしてください: ";
inline constexpr std::string_view kDesktopToolFailed =
    "デスクトップが壁紙の設定を受け付けませんでした。";
inline constexpr std::string_view kDesktopToolTimedOut =
    "デスクトップが時間内に応答しませんでした。";
inline constexpr std::string_view kNoSessionBus =
    "セッションバス (D-Bus) に接続できないため、壁紙を設定できません。";
inline constexpr std::string_view kXfceUnreachable =
    "Xfce の設定サービス (xfconfd) に接続できないため、壁紙を設定できません。";
inline constexpr std::string_view kPlasmaMissing =
    "KDE Plasma (plasmashell) が動いていないため、壁紙を設定できません。";
inline constexpr std::string_view kPlasmaRefused =
    "KDE Plasma "
    "が壁紙の変更を拒否しました。ウィジェットのロックを解除してから、もう一度お試しください。";
inline constexpr std::string_view kDesktopNotRunning =
    "デスクトップを表示するプログラムが動いていないため、壁紙を設定できません。";
inline constexpr std::string_view kWallpaperCopyFailed = "壁紙ファイルを用意できませんでした。";

}  // namespace tivolen::text
