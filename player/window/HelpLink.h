#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// The help link: a GET of the instant messenger's chat endpoint answers with
// a page that carries a "tencent://" link, which the desktop hands to the
// messenger to open a chat with our support account.
//
// The messenger's base URL and the support account come from the shared
// store, so that an installation (or a test) can point them elsewhere.
namespace HelpLink {

// Shared-store keys.
inline constexpr char kMessengerUrlKey[] = "messenger_url";
inline constexpr char kSupportAccountKey[] = "support_account";

// Built-in values used while the shared store holds none. The reserved
// ".example" domain never resolves: installations that offer help set
// "messenger_url" and "support_account".
inline constexpr char kDefaultMessengerUrl[] = "https://messenger.corvane.example";
inline constexpr char kDefaultSupportAccount[] = "800000000";

// <base>/msgrd?V=1&uin=<support account>. Invalid when the stored base is
// not an absolute URL with a host.
QUrl requestUrl();

// The first "tencent://" link in a page, up to the first white space or
// double quote; empty when there is none.
QString findMessengerLink(const QByteArray &page);

} // namespace HelpLink
