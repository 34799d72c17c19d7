// Reading netsh's text by whole lines: a label counts only where it begins a
// line (after the indent), and a value is the rest of its own line, so no
// network name can stand for a label or for a part of another name.
#pragma once
#include <string_view>
#include <vector>

// The line's label: from the first non-blank character up to the blanks
// before its colon ("SSID", "Estado", "Perfil de Todos os Usu\xE1rios").
// Empty when the line has no colon.
std::string_view LineLabel(std::string_view line);
// What follows the line's first colon and the one blank after it.
std::string_view LineValue(std::string_view line);

// Whether "netsh wlan show interfaces" shows the network called name (its own
// name, no line end) as the connected one: a line labelled "SSID" whose value
// is the whole name. An empty name (a hidden network) is never shown so.
bool ShowsConnected(std::string_view interfacesText, std::string_view name);
// The values of its lines labelled "SSID" (netsh prints one for a connected
// interface).
std::vector<std::string_view> SsidValues(std::string_view interfacesText);
// Whether it has a line labelled "SSID" whose value is exactly name, the
// empty name too: netsh prints that line only for a connected interface.
bool ShowsSsid(std::string_view interfacesText, std::string_view name);
// Whether "netsh wlan show profiles" lists a profile called exactly name.
bool ProfileListed(std::string_view profilesText, std::string_view name);
