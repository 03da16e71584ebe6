// The manifests and version records embedded in the two built programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "kx4xx_version.h"

namespace {

#ifdef _WIN64
constexpr const char* kArchitecture = "amd64";
#else
constexpr const char* kArchitecture = "x86";
#endif

struct Program {
    const wchar_t* path;
    const char* fileName;
    bool usesCommonControls;
};

std::wstring Widen(const char* text) {
    std::wstring wide;
    for (const char* c = text; *c != '\0'; ++c) wide += static_cast<wchar_t>(*c);
    return wide;
}

void PrintTo(const Program& program, std::ostream* out) { *out << program.fileName; }

const Program kPrograms[] = {
    {L"" KX4XX_WINDOW_PROGRAM, "ZANTOR-KX400 Manager.exe", true},
    {L"" KX4XX_CLI_PROGRAM, "kx4xx.exe", false},
};

// The manifest as Windows' loader reads it: resource 1 of type RT_MANIFEST.
std::string EmbeddedManifest(const wchar_t* path) {
    HMODULE module = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return {};
    std::string text;
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (resource != nullptr) {
        HGLOBAL loaded = ::LoadResource(module, resource);
        const auto* bytes = static_cast<const char*>(::LockResource(loaded));
        if (bytes != nullptr) text.assign(bytes, ::SizeofResource(module, resource));
    }
    ::FreeLibrary(module);
    return text;
}

std::vector<std::string> AllMatches(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex expression(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), expression); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1].str());
    return found;
}

class ProgramFiles : public ::testing::TestWithParam<Program> {};

TEST_P(ProgramFiles, ManifestIsForThisArchitectureAndDeclaresTheSettings) {
    const Program& program = GetParam();
    const std::string manifest = EmbeddedManifest(program.path);
    ASSERT_FALSE(manifest.empty()) << "no manifest in " << program.fileName;

    // Every assembly named, the program's own and its dependencies, is of the
    // program's architecture.
    const std::vector<std::string> architectures = AllMatches(manifest, "processorArchitecture=\"([^\"]*)\"");
    ASSERT_EQ(architectures.size(), program.usesCommonControls ? 2u : 1u) << manifest;
    for (const std::string& architecture : architectures) EXPECT_EQ(architecture, kArchitecture) << manifest;

    const std::vector<std::string> dependencies = AllMatches(manifest, "name=\"(Microsoft\\.Windows\\.[^\"]*)\"");
    if (program.usesCommonControls) {
        EXPECT_EQ(dependencies, std::vector<std::string>{"Microsoft.Windows.Common-Controls"});
        EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    } else {
        EXPECT_TRUE(dependencies.empty()) << manifest;
    }

    EXPECT_EQ(AllMatches(manifest, "<requestedExecutionLevel level=\"([^\"]*)\" uiAccess=\"false\"/>"),
              std::vector<std::string>{"asInvoker"});
    EXPECT_EQ(AllMatches(manifest, ">([^<]*)</dpiAware>"), std::vector<std::string>{"true/pm"});
    EXPECT_EQ(AllMatches(manifest, ">([^<]*)</dpiAwareness>"), std::vector<std::string>{"PerMonitorV2, PerMonitor"});
    // Windows 7, 8, 8.1 and 10/11.
    const std::vector<std::string> systems = {
        "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
        "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
        "1f676c76-80e1-4239-95bb-83d0f6d0da78",
        "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a",
    };
    EXPECT_EQ(AllMatches(manifest, "<supportedOS Id=\"\\{([^}]*)\\}\"/>"), systems);
    EXPECT_EQ(AllMatches(manifest, "name=\"Norvane\\.[^\"]*\" version=\"([0-9.]*)\""),
              std::vector<std::string>{KX4XX_VERSION_RECORD_TEXT});
}

TEST_P(ProgramFiles, VersionRecordCarriesTheProjectVersionAndFileName) {
    const Program& program = GetParam();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(program.path, &ignored);
    ASSERT_GT(size, 0u) << "no version record in " << program.fileName;
    std::vector<unsigned char> record(size);
    ASSERT_TRUE(::GetFileVersionInfoW(program.path, 0, size, record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(KX4XX_VERSION_MINOR, KX4XX_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, KX4XX_VERSION_PATCH)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    struct Translation {
        WORD language, codePage;
    }* translations = nullptr;
    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                                 &length));
    ASSERT_GE(length, sizeof(Translation));
    wchar_t block[64];
    swprintf(block, std::size(block), L"\\StringFileInfo\\%04x%04x\\", translations->language, translations->codePage);
    const auto value = [&](const wchar_t* name) {
        wchar_t* text = nullptr;
        UINT chars = 0;
        const std::wstring query = std::wstring(block) + name;
        if (!::VerQueryValueW(record.data(), query.c_str(), reinterpret_cast<void**>(&text), &chars)) return std::wstring();
        return std::wstring(text);
    };
    EXPECT_EQ(value(L"OriginalFilename"), Widen(program.fileName));
    EXPECT_EQ(value(L"FileVersion"), Widen(KX4XX_VERSION_RECORD_TEXT));
    EXPECT_EQ(value(L"ProductVersion"), Widen(KX4XX_VERSION_RECORD_TEXT));
    EXPECT_FALSE(value(L"FileDescription").empty());
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ProgramFiles, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& instance) {
                             return instance.param.usesCommonControls ? std::string("Window") : std::string("CommandLine");
                         });

}  // namespace
