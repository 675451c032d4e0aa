// A resource-only DLL: the message table of a test event source.
