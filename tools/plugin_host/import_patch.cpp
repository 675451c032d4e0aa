#include "import_patch.h"

#include <cstring>

namespace {

template <class T>
T* At(HMODULE module, DWORD rva)
{
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

const IMAGE_IMPORT_DESCRIPTOR* FirstImport(HMODULE module)
{
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    if (!module || dos->e_magic != IMAGE_DOS_SIGNATURE)
        return nullptr;
    auto* nt = At<const IMAGE_NT_HEADERS>(module, dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE)
        return nullptr;
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0 || imports.Size == 0)
        return nullptr;
    return At<const IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress);
}

const void* Replacement(const char* name, const ImportReplacement* replacements, int count)
{
    for (int i = 0; i < count; ++i) {
        if (strcmp(name, replacements[i].name) == 0)
            return replacements[i].function;
    }
    return nullptr;
}

bool WriteSlot(IMAGE_THUNK_DATA* slot, const void* function)
{
    DWORD old = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old))
        return false;
    slot->u1.Function = reinterpret_cast<ULONG_PTR>(function);
    VirtualProtect(slot, sizeof *slot, old, &old);
    return true;
}

int ReplaceInDescriptor(HMODULE module, const IMAGE_IMPORT_DESCRIPTOR* import,
                        const ImportReplacement* replacements, int count)
{
    if (import->OriginalFirstThunk == 0)
        return 0;  // no names to match against
    auto* names = At<const IMAGE_THUNK_DATA>(module, import->OriginalFirstThunk);
    auto* slots = At<IMAGE_THUNK_DATA>(module, import->FirstThunk);
    int replaced = 0;
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
            continue;
        auto* byName =
            At<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
        const void* function =
            Replacement(reinterpret_cast<const char*>(byName->Name), replacements, count);
        if (function && WriteSlot(slots, function))
            ++replaced;
    }
    return replaced;
}

}  // namespace

int ReplaceImports(HMODULE module, const char* dllName, const ImportReplacement* replacements,
                   int count)
{
    int replaced = 0;
    for (auto* import = FirstImport(module); import && import->Name != 0; ++import) {
        if (_stricmp(At<const char>(module, import->Name), dllName) == 0)
            replaced += ReplaceInDescriptor(module, import, replacements, count);
    }
    return replaced;
}
