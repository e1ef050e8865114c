// How a request reaches the network: as the system is configured, or around the local
// proxy of Hexin SSL Secure Proxy when that product has pointed the system's proxy at itself.
#pragma once

#include <string>
#include <string_view>

// The firewall side of the Hexin product, as read from its Comm key.
struct ProxySettings {
    bool byFireWall = false;    // the product reaches the internet through a firewall proxy
    std::string firewallProxy;  // that proxy: its host, or host ":" port
};

// True when the Hexin product is installed and the system's https proxy points at its
// local proxy on 127.0.0.1; the request then goes around it. settings is filled from the
// product's Comm key only in that case (and left as it was when the key is missing).
// Reads the registry afresh every time and changes nothing.
bool GetProxySettings(ProxySettings& settings);

// The https proxy of a system proxy list such as "http=a:80;https=b:443": the value of the
// first entry named https (name trimmed, any case; value as it stands, without "="), or
// empty text when there is none. A list starting with "127.0.0.1" is returned whole.
std::string ExtractHttpsProxy(std::string_view proxyServer);
