// The installer's only analytics calls. Every recording entry point returns
// without effect while no tracker exists (analytics off, not started, stopped).
#pragma once
#include <map>
#include <string>

// A/B map: the entry of interest has the key "AB".
using AbMap = std::map<std::wstring, std::wstring>;

void StartInstallerAnalytics();
void StopInstallerAnalytics();
void trackInstallerTask(const std::wstring& name, double elapsedSeconds, const std::wstring& reason, const AbMap& ab);
void trackInstallerClick(const std::wstring& name, const AbMap& ab);
void trackInstallerView(const std::wstring& name, const AbMap& ab);
void trackInstallerCrash();
