// Advapi32 registry subset over a file in the registry-export text format
// ("Windows Registry Editor Version 5.00"). The file is named by TAVLIN_REGISTRY; without
// it, $XDG_CONFIG_HOME/tavlin/registry.reg or else $HOME/.config/tavlin/registry.reg.
// HKEY_CLASSES_ROOT is a view of HKEY_LOCAL_MACHINE\Software\Classes. When the file has no
// HKEY_LOCAL_MACHINE\Software\JavaSoft\Java Runtime Environment key, a read-only one that
// describes the machine's Java is presented in its place.
#pragma once

#include "wintypes.h"

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

typedef DWORD REGSAM;
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_EXECUTE 0x20019
#define KEY_ALL_ACCESS 0xF003F
#define DELETE 0x00010000
#define WRITE_DAC 0x00040000
#define WRITE_OWNER 0x00080000
#define MAXIMUM_ALLOWED 0x02000000
#define GENERIC_ALL 0x10000000
#define GENERIC_EXECUTE 0x20000000
#define GENERIC_WRITE 0x40000000
#define GENERIC_READ 0x80000000

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define REG_OPTION_NON_VOLATILE 0x00000000
#define REG_CREATED_NEW_KEY 0x00000001
#define REG_OPENED_EXISTING_KEY 0x00000002

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
typedef FILETIME *PFILETIME;
struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;

TAVLINPORT_API LSTATUS RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM sam, PHKEY result);
TAVLINPORT_API LSTATUS RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR klass, DWORD options, REGSAM sam,
                                       LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
TAVLINPORT_API LSTATUS RegCloseKey(HKEY key);
TAVLINPORT_API LSTATUS RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                        LPDWORD data_size);
TAVLINPORT_API LSTATUS RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type, const BYTE *data,
                                      DWORD data_size);
TAVLINPORT_API LSTATUS RegDeleteValueA(HKEY key, LPCSTR value_name);
TAVLINPORT_API LSTATUS RegQueryInfoKeyA(HKEY key, LPSTR klass, LPDWORD klass_size, LPDWORD reserved, LPDWORD sub_keys,
                                        LPDWORD max_sub_key_len, LPDWORD max_class_len, LPDWORD values,
                                        LPDWORD max_value_name_len, LPDWORD max_value_len, LPDWORD security_descriptor,
                                        PFILETIME last_write_time);
TAVLINPORT_API LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD reserved,
                                     LPSTR klass, LPDWORD klass_size, PFILETIME last_write_time);
TAVLINPORT_API LSTATUS RegDeleteKeyA(HKEY key, LPCSTR sub_key);
TAVLINPORT_API LSTATUS RegDeleteTreeA(HKEY key, LPCSTR sub_key);
// Maps a predefined key (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, ...) to another open key for
// the whole process until it is called again with a null `override`.
TAVLINPORT_API LSTATUS RegOverridePredefKey(HKEY key, HKEY override);
