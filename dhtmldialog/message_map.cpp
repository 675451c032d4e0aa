#include "message_map.h"

DialogMessageHandler FindMessageHandler(const CMessageMap* map, UINT message)
{
    for (; map; map = map->base) {
        for (const CMessageMapEntry* entry = map->entries; entry->handler; ++entry) {
            UINT wanted = entry->registered ? *entry->registered : entry->message;
            if (entry->registered && wanted == 0)
                continue;  // not registered (yet)
            if (wanted == message)
                return entry->handler;
        }
    }
    return nullptr;
}
