/* A wizard library written in C against the header alone: one menu item in
 * the Help menu that shows a message. Built as C to keep the header C. */
#include <stddef.h>

#include "wizardlib/WizardABI.h"

static const MigWizIDEServices* ide;

static void Click(void* data) {
  ide->message_box(ide->host, (const char*)data, "Hello", MIGWIZ_MB_ICONINFORMATION);
}

__attribute__((visibility("default"))) int INITWIZARD0001(const MigWizIDEServices* services,
                                                          MigWizRegisterProc reg,
                                                          MigWizTerminateProc* terminate) {
  (void)reg;
  (void)terminate;
  ide = services;
  MigWizMenuItem item = {"HelloItem", "&Hello", Click, (void*)"Hello from a wizard.", NULL};
  services->menu_insert(services->host, &item, "HelpMenu", 1, 1);
  return 1;
}
