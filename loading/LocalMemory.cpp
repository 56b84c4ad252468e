// The local memory handles that Susie plug-ins allocate their results with. They are
// exported from the program (and from every test program that loads plug-ins), so a
// plug-in resolves them when it is loaded. Every live handle is kept in a table: the
// host asks a handle's size before it reads a plug-in's block, and a handle that a
// plug-in made up is simply unknown instead of a wild pointer.
#include "loading/LocalMemory.h"

#include "folivex/susie.h"

#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

struct Block {
    std::size_t size = 0;
    int locks = 0;
};

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<void*, Block> blocks;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable; // never destroyed: plug-ins may free late
    return *table;
}

} // namespace

std::size_t folivex::LiveLocalHandles() {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    return table.blocks.size();
}

extern "C" {

HLOCAL LocalAlloc(uint32_t /*uFlags*/, size_t uBytes) {
    // Every block is zero-filled and fixed in place, whatever the flags ask for; a
    // zero-byte request still gets a distinct handle.
    // A plug-in is C: an exception thrown into its frames would end the program, so
    // every failure, the table's own included, is a NULL handle it can report.
    void* memory = std::calloc(uBytes == 0 ? 1 : uBytes, 1);
    if (!memory)
        return nullptr;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    try {
        table.blocks[memory] = Block{uBytes, 0};
    } catch (const std::bad_alloc&) {
        std::free(memory);
        return nullptr;
    }
    return memory;
}

void* LocalLock(HLOCAL hMem) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.blocks.find(hMem);
    if (it == table.blocks.end())
        return nullptr;
    ++it->second.locks;
    return hMem;
}

int32_t LocalUnlock(HLOCAL hMem) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.blocks.find(hMem);
    if (it == table.blocks.end() || it->second.locks == 0)
        return 0;
    return --it->second.locks > 0 ? 1 : 0;
}

size_t LocalSize(HLOCAL hMem) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.blocks.find(hMem);
    return it == table.blocks.end() ? 0 : it->second.size;
}

HLOCAL LocalFree(HLOCAL hMem) {
    if (!hMem)
        return nullptr;
    auto& table = Table();
    {
        std::lock_guard lock(table.mutex);
        if (table.blocks.erase(hMem) == 0)
            return hMem;
    }
    std::free(hMem);
    return nullptr;
}

} // extern "C"
