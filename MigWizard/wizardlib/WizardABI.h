/*
 * The binary interface between a host program and a wizard library.
 *
 * A wizard library is a shared object that exports one C function,
 * INITWIZARD0001. The host loads the library, calls the entry once with a
 * table of its services, a register callback and a terminate-procedure slot,
 * keeps every wizard that the library registers, and at shutdown releases
 * the wizards, calls the terminate procedure when the library set one, and
 * only then unloads the library.
 *
 * Everything here is plain C: fixed-size integers, pointers to functions and
 * structs whose layout never changes within one MIGWIZ_ABI_VERSION. New
 * members are only ever appended to MigWizIDEServices; a library reads a
 * member only when the table's `size` covers it.
 *
 * Rules that hold for every call:
 * - One thread: the host calls the library, and the library calls the host,
 *   on the host's main (GUI) thread only.
 * - Strings are UTF-8 and NUL-terminated. A function that hands a string out
 *   copies it into `buf` (at most `size` bytes, always NUL-terminated when
 *   size > 0) and returns the full length without the NUL, so that a caller
 *   can call again with a larger buffer.
 * - Booleans are int: 0 is false, anything else true.
 * - No C++ exception ever crosses this interface. A library catches what its
 *   code raises and hands the message to handle_exception.
 * - A MigWizModule is the host's handle of an open module (a unit with its
 *   editors, a project, a project group). It stays valid until the module is
 *   closed; two handles of the same module compare equal.
 */
#ifndef MIGWIZ_PLATFORM_WIZARDABI_H
#define MIGWIZ_PLATFORM_WIZARDABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define MIGWIZ_ABI_VERSION 1
#define MIGWIZ_WIZARD_ENTRY "INITWIZARD0001"

/* Module kinds. */
#define MIGWIZ_MODULE_UNIT 0
#define MIGWIZ_MODULE_PROJECT 1
#define MIGWIZ_MODULE_PROJECT_GROUP 2

/* Editor kinds. */
#define MIGWIZ_EDITOR_OTHER 0
#define MIGWIZ_EDITOR_SOURCE 1

/* message_box flags: the icon; message_box_ex also takes the buttons. */
#define MIGWIZ_MB_OK 0
#define MIGWIZ_MB_YESNO 4
#define MIGWIZ_MB_ICONSTOP 16
#define MIGWIZ_MB_ICONINFORMATION 64

/* The button that closed a message box (message_box_ex). */
#define MIGWIZ_IDOK 1
#define MIGWIZ_IDYES 6
#define MIGWIZ_IDNO 7

/* Wizard state flags (GetState). */
#define MIGWIZ_WS_ENABLED 1u
#define MIGWIZ_WS_CHECKED 2u

typedef struct MigWizModuleTag* MigWizModule;

/* A menu item that a library asks the host to insert. on_click is called
 * with click_data when the user picks the item. The host calls
 * release_data(click_data) once, when it drops the item or, at the latest,
 * before it unloads the library; after that it never calls on_click again. */
typedef struct MigWizMenuItem {
  const char* name;    /* component name, unique in the main menu */
  const char* caption; /* '&' marks the accelerator */
  void (*on_click)(void* click_data);
  void* click_data;
  void (*release_data)(void* click_data);
} MigWizMenuItem;

typedef struct MigWizIDEServices {
  uint32_t size;    /* sizeof(MigWizIDEServices) as the host was built */
  uint32_t version; /* MIGWIZ_ABI_VERSION */
  void* host;       /* passed back as the first argument of every call */

  /* Module services: the open modules in the host's order. */
  int (*module_count)(void* host);
  MigWizModule (*module)(void* host, int index);
  int (*module_kind)(void* host, MigWizModule module);
  size_t (*module_file_name)(void* host, MigWizModule module, char* buf, size_t size);
  /* The editors of a module, 0 to count - 1. */
  int (*module_editor_count)(void* host, MigWizModule module);
  int (*module_editor_kind)(void* host, MigWizModule module, int editor);
  void (*module_editor_show)(void* host, MigWizModule module, int editor);
  /* The projects that a module belongs to. */
  int (*module_owner_count)(void* host, MigWizModule module);
  MigWizModule (*module_owner)(void* host, MigWizModule module, int index);

  /* A project group: its active project (NULL when none), and closing it. */
  MigWizModule (*group_active_project)(void* host, MigWizModule group);
  int (*group_close)(void* host, MigWizModule group);

  /* A project: saving it, and its members (file names with folder). */
  int (*project_save)(void* host, MigWizModule project, int change_name, int force_save);
  int (*project_module_count)(void* host, MigWizModule project);
  size_t (*project_module_file_name)(void* host, MigWizModule project, int index, char* buf,
                                     size_t size);

  /* Action services. An empty project name opens nothing and gives 0. */
  int (*open_file)(void* host, const char* file_name);
  int (*open_project)(void* host, const char* proj_name, int new_group);
  int (*reload_file)(void* host, const char* file_name);

  /* The main menu: its top-level items, a caption change, and insertion of
   * an item before or after the item named target, or as its child. */
  int (*menu_item_count)(void* host);
  size_t (*menu_item_name)(void* host, int index, char* buf, size_t size);
  size_t (*menu_item_caption)(void* host, int index, char* buf, size_t size);
  int (*menu_set_caption)(void* host, const char* name, const char* caption);
  int (*menu_insert)(void* host, const MigWizMenuItem* item, const char* target,
                     int insert_after, int insert_as_child);

  /* The application: a modal message box with one OK button, and the
   * standard handler of an error that left a menu command or the entry. */
  void (*message_box)(void* host, const char* text, const char* caption, int flags);
  void (*handle_exception)(void* host, const char* message);

  /* Appended; read only when `size` covers it. A modal message box whose
   * buttons the flags choose (MIGWIZ_MB_OK, or MIGWIZ_MB_YESNO for a
   * question) together with an icon flag; returns the button pressed:
   * MIGWIZ_IDOK, MIGWIZ_IDYES or MIGWIZ_IDNO. A host that shows no boxes
   * (pictures, tests) answers a question with MIGWIZ_IDNO. */
  int (*message_box_ex)(void* host, const char* text, const char* caption, int flags);
} MigWizIDEServices;

/* An interface identifier. */
typedef struct MigWizGUID {
  uint32_t d1;
  uint16_t d2, d3;
  uint8_t d4[8];
} MigWizGUID;

/* The wizard interface, laid out as a COM object: a pointer to a table of
 * functions, each taking the object first. Reference counting follows COM:
 * a host that keeps a wizard it is given calls AddRef, and Release when it
 * is done; the wizard frees itself at its last Release. */
typedef struct MigWizWizard MigWizWizard;

typedef struct MigWizWizardVtbl {
  int32_t (*QueryInterface)(MigWizWizard* self, const MigWizGUID* iid, void** obj);
  uint32_t (*AddRef)(MigWizWizard* self);
  uint32_t (*Release)(MigWizWizard* self);
  void (*AfterSave)(MigWizWizard* self);
  void (*BeforeSave)(MigWizWizard* self);
  void (*Destroyed)(MigWizWizard* self);
  void (*Modified)(MigWizWizard* self);
  size_t (*GetIDString)(MigWizWizard* self, char* buf, size_t size);
  size_t (*GetName)(MigWizWizard* self, char* buf, size_t size);
  uint32_t (*GetState)(MigWizWizard* self);
  void (*Execute)(MigWizWizard* self);
} MigWizWizardVtbl;

struct MigWizWizard {
  const MigWizWizardVtbl* vtbl;
};

/* {6D3A51C2-8E4B-4F0A-9C21-5B7E03D468A1} */
#define MIGWIZ_IID_WIZARD {0x6D3A51C2u, 0x8E4Bu, 0x4F0Au, {0x9C, 0x21, 0x5B, 0x7E, 0x03, 0xD4, 0x68, 0xA1}}

/* The host's register procedure; host is services->host. */
typedef int (*MigWizRegisterProc)(void* host, MigWizWizard* wizard);
/* A procedure the library may leave for the host to call before unloading. */
typedef void (*MigWizTerminateProc)(void);

/* The entry. Returns non-zero always; an error inside it is shown through
 * services->handle_exception. */
typedef int (*MigWizInitWizardProc)(const MigWizIDEServices* services,
                                    MigWizRegisterProc register_proc,
                                    MigWizTerminateProc* terminate);

#ifdef __cplusplus
}
#endif

#endif /* MIGWIZ_PLATFORM_WIZARDABI_H */
