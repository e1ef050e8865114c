// Who signed a file: the check that the component and the installer come from the maker.
#pragma once

#include <string>

#include "platform/Authenticode.h"

// Issuer and subject display names the maker's signatures carry.
inline constexpr const char* kComponentIssuer = "Symantec Class 3 SHA256 Code Signing CA";
inline constexpr const char* kInstallerIssuer = "VeriSign Class 3 Code Signing 2010 CA";
inline constexpr const char* kPublisherSubject = "Varnel Bank Co., Ltd";

// True when the file's embedded signature names the maker as its first signer, through the
// authority for its kind of file (a path containing ".ocx", case-sensitive, is a component;
// anything else an installer), and the signature is intact and made for this very file.
// A file that cannot be read as signed logs why; names that do not match, and a signature
// that does not verify or belongs to other bytes, give false without a log line.
bool CheckPublisherSignature(const std::string& path);

// True when the certificate's issuer display name is the one expected for the kind of file
// and its subject display name is the maker's; both compared exactly, case and all.
bool CheckSignerNames(const platform::CCertificate& certificate, bool isComponent);
