#include "tests/dll_planting/import_table.h"

#include <windows.h>

#include <cstring>
#include <utility>

namespace {

std::vector<char> ReadWholeFile(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER size{};
    std::vector<char> bytes;
    // Program files are a few megabytes at most.
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 256 * 1024 * 1024) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) {
            bytes.clear();
        }
    }
    CloseHandle(file);
    return bytes;
}

// Every read is checked against the end of the file.
class Image {
public:
    explicit Image(std::vector<char> bytes) : bytes_(std::move(bytes)) {}

    template <typename T>
    bool Read(size_t offset, T& value) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) return false;
        std::memcpy(&value, bytes_.data() + offset, sizeof(T));
        return true;
    }
    bool ReadText(size_t offset, std::string& text) const {
        if (offset >= bytes_.size()) return false;
        const void* end = std::memchr(bytes_.data() + offset, '\0', bytes_.size() - offset);
        if (end == nullptr) return false;
        text.assign(bytes_.data() + offset, static_cast<const char*>(end));
        return true;
    }

private:
    std::vector<char> bytes_;
};

// Where a relative virtual address lies in the file, through the section
// table; false when no section holds it.
bool FileOffset(const Image& image, size_t sections, WORD count, DWORD rva, size_t& offset) {
    for (WORD index = 0; index < count; ++index) {
        IMAGE_SECTION_HEADER section{};
        if (!image.Read(sections + index * sizeof(section), section)) return false;
        const DWORD extent = section.Misc.VirtualSize > section.SizeOfRawData ? section.Misc.VirtualSize
                                                                               : section.SizeOfRawData;
        if (rva >= section.VirtualAddress && rva - section.VirtualAddress < extent) {
            offset = section.PointerToRawData + (rva - section.VirtualAddress);
            return true;
        }
    }
    return false;
}

}  // namespace

bool ReadImportedDlls(const std::wstring& programFile, std::vector<std::string>& names) {
    names.clear();
    const Image image(ReadWholeFile(programFile));
    IMAGE_DOS_HEADER dos{};
    DWORD signature = 0;
    IMAGE_FILE_HEADER header{};
    WORD magic = 0;
    if (!image.Read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return false;
    const size_t nt = static_cast<size_t>(dos.e_lfanew);
    const size_t optional = nt + sizeof(signature) + sizeof(header);
    if (!image.Read(nt, signature) || signature != IMAGE_NT_SIGNATURE || !image.Read(nt + sizeof(signature), header) ||
        !image.Read(optional, magic)) {
        return false;
    }
    IMAGE_DATA_DIRECTORY imports{};
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        IMAGE_OPTIONAL_HEADER32 fields{};
        if (!image.Read(optional, fields)) return false;
        imports = fields.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        IMAGE_OPTIONAL_HEADER64 fields{};
        if (!image.Read(optional, fields)) return false;
        imports = fields.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    } else {
        return false;
    }
    if (imports.VirtualAddress == 0) return true;
    const size_t sections = optional + header.SizeOfOptionalHeader;
    size_t descriptors = 0;
    if (!FileOffset(image, sections, header.NumberOfSections, imports.VirtualAddress, descriptors)) return false;
    // The table ends with a descriptor of zeros.
    for (size_t index = 0;; ++index) {
        IMAGE_IMPORT_DESCRIPTOR descriptor{};
        if (!image.Read(descriptors + index * sizeof(descriptor), descriptor)) return false;
        if (descriptor.Name == 0) return true;
        size_t nameOffset = 0;
        std::string name;
        if (!FileOffset(image, sections, header.NumberOfSections, descriptor.Name, nameOffset) ||
            !image.ReadText(nameOffset, name)) {
            return false;
        }
        names.push_back(name);
    }
}
