// The product's own names and addresses, kept in one place.
#pragma once

namespace lumaris {

// The author named in the settings dialog's credit.
inline constexpr const char* kAuthorName = "QN Vesmire";
// The publisher's web address: the host name shown, and the link opened.
inline constexpr const char* kPublisherHost = "qnvesmire.example";
inline constexpr const char* kPublisherUrl = "https://qnvesmire.example";
inline constexpr const char* kReadmeName = "lumzreadme.txt";

}  // namespace lumaris
