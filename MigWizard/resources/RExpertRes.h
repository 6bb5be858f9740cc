// Every text the user sees, in one table. Several keep their historical
// spelling ("sucessfully", "succefully", "afer"): users' scripts match them.
#pragma once

namespace migwiz::RExpertRes {

// Menu, wizard identity and settings.
inline constexpr const char* SMenuItemCaption = "&Migration Wizard...";
inline constexpr const char* SMenuItemNamePrefix = "RExpertItem";
inline constexpr const char* SProductName = "&Tarnbase";
inline constexpr const char* SWizardIDFormat = "Corvane.%sMigrationWizard";
inline constexpr const char* SWizardCaptionSuffix = " Migration Wizard";
inline constexpr const char* SSettingsRootKey = "Software\\Corvane";

// Closing messages of a run.
inline constexpr const char* SCannotStartReplace = "Cannot start replace process.";
inline constexpr const char* SProjectNotSaved = "Project was not saved.";
inline constexpr const char* SReplaceFailed = "Replace failed.";
inline constexpr const char* SReplaceSucceeded = "Replace procedure was performed sucessfully.";
inline constexpr const char* SRestoreSucceeded = "Files were succefully restored.";
inline constexpr const char* SRestoreFailed = "Failed to restore files.";
// Added to the message of a run that ended well: its report.
inline constexpr const char* SReportWrittenTo = "What the run did, and what is left to do by hand, is in its report:";
inline constexpr const char* SOpenReportQuestion = "Open the report now?";
inline constexpr const char* SReportNotWritten = "The run report could not be written: %s";
inline constexpr const char* SReportNotOpened = "No program could open the report \"%s\".";

// Grammar engine.
inline constexpr const char* SInvalidRuleFormat = "Cannot add rule. Invalid rule format.";
inline constexpr const char* SUnknownNonterminal = "Unknown nonterminal: ";

// Replace run and its log.
inline constexpr const char* SLogHeaderSuffix = " log";
inline constexpr const char* SLogCreationLabel = "Log created at:";
inline constexpr const char* SLogCreatedAt = "Created at:";
inline constexpr const char* SLogFileName = "Wiz_Log.txt";
inline constexpr const char* SUndoFileName = "RExpert.reu";
inline constexpr const char* SDefaultBackupFolder = "RBackup";
inline constexpr const char* STempFolderPrefix = "$DS";
inline constexpr const char* SLogInitUnitList = "Initializing unit list";
inline constexpr const char* SLogCreatingBackupFolder = "Creating backup folder";
inline constexpr const char* SLogAllocatingTempFolder = "Allocating temporary folder";
inline constexpr const char* SLogProcessingFile = "Processing file: %s";
inline constexpr const char* SLogNoChanges = "No changes";
inline constexpr const char* SLogChanges = " change(s)";
inline constexpr const char* SLogReplacingOriginals = "Replacing original files with changed versions";
inline constexpr const char* SLogBackupFile = "Backup file: %s";
inline constexpr const char* SLogRemovingTempFolder = "Removing temporary folder";
inline constexpr const char* SFailedToCreateDirectory = "Failed to create directory.";

// Wizard dialog.
inline constexpr const char* SWizardCaptionFormat = "%s Migration Wizard - Step %d of %d";
inline constexpr const char* SWelcomeTitle = "Welcome to Migration Wizard";
inline constexpr const char* SWelcomeTextFormat =
    "Wizard facilitates converting your application to %s. It replaces all standard %s "
    "components to corresponding %s components. You may need to make some changes manually "
    "to compile your application successfully.";
inline constexpr const char* SBackupAdvice =
    "If any problem occurs during the migration process, you can restore your project from "
    "backup files. However, it is highly recommended to make a reserved copy of your project "
    "before running the migration process.";
inline constexpr const char* SStep1Header = "Step 1 - Select mode";
inline constexpr const char* SStep2RestoreHeader = "Step 2 - Select backup file";
inline constexpr const char* SStep2ReplaceHeader = "Step 2 - Select location of files to search";
inline constexpr const char* SStep3ProjHeader = "Step 3 - Select units to replace components";
inline constexpr const char* SStep3DirHeader = "Step 3 - Select folder to search units";
inline constexpr const char* SStep4Header = "Step 4 - Set advanced options";
inline constexpr const char* SFinalStepHeader = "Step 5 - Start units converting";
inline constexpr const char* SModeReplaceFormat = "&Replace %s components";
inline constexpr const char* SModeRestore = "R&estore original files from backup";
inline constexpr const char* SBackupFileLabel = "&Backup file:";
inline constexpr const char* SBrowseUndo = "Bro&wse...";
inline constexpr const char* SBackupFileNote =
    "Note: Backup file is created while replacing if 'Make backup' option is selected.";
inline constexpr const char* SDestProject = "&Current open project";
inline constexpr const char* SDestFolder = "&Disk folder";
inline constexpr const char* SDestNote =
    "Note: Using 'Current open project' option gives more information about files.";
inline constexpr const char* SSelectAll = "Select All";
inline constexpr const char* SDeselectAll = "Deselect All";
inline constexpr const char* STargetFolderLabel = "Target &folder:";
inline constexpr const char* SBrowseFolder = "&Browse...";
inline constexpr const char* SIncludeSubfolders = "Include &subfolders";
inline constexpr const char* SMakeBackup = "&Make backup";
inline constexpr const char* SBackupFolderLabel = "Backup &folder:";
inline constexpr const char* SWriteLog = "&Write log";
inline constexpr const char* SLogNote =
    "Note: Log file will be placed in project folder or target folder you selected.";
inline constexpr const char* SViewLogAfterReplace = "View log after replace";
inline constexpr const char* SFinalNote =
    "If you want to review or change any settings, click Back. Otherwise click Finish to "
    "start replacing.";
inline constexpr const char* SSummaryLabel = "Summary:";
inline constexpr const char* SBack = "< Back";
inline constexpr const char* SNext = "Next >";
inline constexpr const char* SFinish = "Finish";
inline constexpr const char* SCancel = "Cancel";
inline constexpr const char* SUndoFileFilter = "Undo files (*.reu)|*.reu|All files (*.*)|*.*";
inline constexpr const char* SSelectDirectory = "Select directory";
inline constexpr const char* SUndoFileMissing = "Undo file \"%s\" does not exist.";
inline constexpr const char* STargetDirMissing = "Target directory \"%s\" does not exist.";
inline constexpr const char* SNoUnitSelected = "At least one unit should be selected.";

// Summary pieces.
inline constexpr const char* SSumMode = "Mode: ";
inline constexpr const char* SSumReplaceMode = "Replace %s components\n\n";
inline constexpr const char* SSumRestoreMode = "Restore original files from backup\n\n";
inline constexpr const char* SSumUndoFile = "Undo file: \"%s\"\n\n";
inline constexpr const char* SSumDestination = "Scan destination: ";
inline constexpr const char* SSumProject = "Current open project\n\n";
inline constexpr const char* SSumFolder = "Folder \"%s\"\n\n";
inline constexpr const char* SSumBackupDir = "Backup dir: \"%s\"\n\n";
inline constexpr const char* SSumWriteLog = "Write log file\n\n";
inline constexpr const char* SSumViewLog = "View log afer replace\n\n";
inline constexpr const char* SSumUnits = "Units list:\n";

// Confirmation dialog.
inline constexpr const char* SNoteLabel = "Note:";
inline constexpr const char* SDontAskAgain = "&Don't ask me this again";
inline constexpr const char* SYes = "&Yes";
inline constexpr const char* SNo = "&No";
inline constexpr const char* SNoteFormsHidden = "Project forms will be hidden.";
inline constexpr const char* SNoteProjectClosed = "Current project will be closed.";
inline constexpr const char* SWarnSave = "Current project will be saved. Continue?";
inline constexpr const char* SWarnRestore = "Old files will be restored from backup. Continue?";

// Product dialog.
inline constexpr const char* SMailLinkCaption = "Migrate from another components";
inline constexpr const char* SMailQuery = "?CC=&subject=Migrate from%20another%20components";

// Migration profiles.
inline constexpr const char* SNoCounterpartAdvice =
    "the profile has no counterpart for this class: replace it by hand";
inline constexpr const char* SSumProfileBuiltin = "Profile: the built-in profile\n\n";
inline constexpr const char* SSumProfileFile = "Profile: \"%s\"\n\n";
inline constexpr const char* SProfileInvalid = "The migration profile \"%s\" cannot be used; nothing was read or written:";

// Windows: an original that another program holds open.
inline constexpr const char* SInUseOriginal = "In use by another program, not replaced: %s";

}  // namespace migwiz::RExpertRes

namespace migwiz::RExpertRes {

// Texts of our own, for failures the run reports instead of passing over.
inline constexpr const char* SFailedToCreateTempFolder =
    "Failed to create a temporary folder in \"%s\".";
inline constexpr const char* SBackupCopyFailed = "Failed to copy \"%s\" to backup \"%s\".";
inline constexpr const char* SLogNotReplaced = "Not replaced: %s";
inline constexpr const char* SFailedToWriteUndoFile = "Failed to write undo file \"%s\".";
inline constexpr const char* SRestoreBadLine = "Undo file line %s is not of the form file=backup.";
inline constexpr const char* SRestoreMissingBackup = "Backup copy \"%s\" does not exist.";
inline constexpr const char* SRestoreMissingOriginal = "File \"%s\" to restore does not exist.";
inline constexpr const char* SRestoreNoLines = "Undo file \"%s\" lists no files.";
inline constexpr const char* SRestoreCopyFailed = "Failed to copy \"%s\" over \"%s\".";

}  // namespace migwiz::RExpertRes

namespace migwiz::RExpertRes {

// A run that loses nothing: stops, skipped entries, undo-file checks.
inline constexpr const char* SFailedToCreateTempFolderWhy = "Failed to create a temporary folder: %s.";
inline constexpr const char* SRunStopped = "The run was stopped; no original was changed.";
inline constexpr const char* SLogRunStopped = "Replace was stopped";
inline constexpr const char* SLinkOutside = "Link leads outside the folder, not followed: %s -> %s";
inline constexpr const char* SFolderUnreadable = "Folder cannot be read, skipped: %s";
inline constexpr const char* SNotRegularFile = "Not a regular file, skipped: %s";
inline constexpr const char* SReadOnlyOriginal = "Read-only, not replaced: %s";
inline constexpr const char* SUndoNameRefused =
    "\"%s\" cannot be listed in an undo file (its path holds \"=\" or a line break); "
    "nothing was changed.";
inline constexpr const char* SUndoFileDamaged =
    "Undo file \"%s\" line %s is not of the form file=backup; it was left as it is and nothing "
    "was changed.";
inline constexpr const char* SRestoreRefusedLine = "Undo file line %s is refused (%s): %s";
inline constexpr const char* SRestoreOutsideFolder =
    "its backup copy lies outside the folder of the undo file";
inline constexpr const char* SRestoreNotUnitOrForm = "it names no unit or form file";
inline constexpr const char* SLogNotWritten = "The log could not be written: %s";
inline constexpr const char* STempFolderLeft = "The temporary folder \"%s\" could not be removed.";
inline constexpr const char* SUndoFileNotRetired =
    "Undo file \"%s\" could not be removed after the restore: %s";

}  // namespace migwiz::RExpertRes

namespace migwiz::RExpertRes {

// The wizard in a host: progress, causes of failures, folder runs.
inline constexpr const char* SProgressCaption = "%s - running";
inline constexpr const char* SProgressUnit = "Processing unit %s of %s";
inline constexpr const char* SProgressForm = "Processing form %s of %s";
inline constexpr const char* SProgressReplacing = "Replacing %s of %s";
inline constexpr const char* SProgressBackingUp = "Backing up %s of %s";
inline constexpr const char* SProgressRestoring = "Restoring %s of %s";
inline constexpr const char* SProgressStarting = "Looking for the files of the run";
inline constexpr const char* SProgressNoStop = "The originals are being replaced; the run can no longer be stopped.";
inline constexpr const char* SRunStoppedByUser = "The run was stopped: no file was changed.";
inline constexpr const char* SLogFileIs = "The log: %s";
inline constexpr const char* SLogRunFailed = "Replace failed: %s";
inline constexpr const char* SLogNotEveryFileReplaced = "not every converted file replaced its original";
inline constexpr const char* SReadOnlyFailed =
    "Read-only files cannot be replaced; no original was changed:";
inline constexpr const char* SCopyBackFailed =
    "Not every converted file could replace its original; the log names them.";
inline constexpr const char* SCopyBackUndo = "The undo file %s restores the others.";
inline constexpr const char* SNothingChanged =
    "No file needed a change; the report of the run before was kept:";
inline constexpr const char* SNothingChangedNoReport = "No file needed a change.";
inline constexpr const char* SLogNotOpened = "No program could open the log \"%s\".";
inline constexpr const char* SUnitsMissing =
    "These units do not exist on disk; untick them or bring the files back:";
inline constexpr const char* SUnitMissingTip = "File not found: %s";
inline constexpr const char* SWarnFolder = "Units in this folder will be converted and rewritten. Continue?";
inline constexpr const char* SNoteFolderFormat = "Folder: %s\n%s unit(s) found%s.";
inline constexpr const char* SNoteWithSubfolders = ", sub-folders included";
inline constexpr const char* SNoUnitsInFolder =
    "No units (.pas, .dpr) in folder \"%s\"; nothing was run. Tick \"Include subfolders\" to search below it.";
inline constexpr const char* SNoUnitsInTree =
    "No units (.pas, .dpr) in folder \"%s\" or its sub-folders; nothing was run.";
inline constexpr const char* SFinalStepRestoreHeader = "Step 3 - Restore original files";
inline constexpr const char* SFinalNoteRestore =
    "If you want to review or change any settings, click Back. Otherwise click Finish to "
    "start restoring.";
inline constexpr const char* SLinkConnections = "&Link datasets to connections (folder run)";
inline constexpr const char* SSumLinkConnections = "Link datasets to connections\n\n";
// How the run report names the choice in a run that came from the wizard.
inline constexpr const char* SLinkConnectionsHint =
    "\"Link datasets to connections\" ticked on the wizard's options page";

// Runs that lose nothing to another run, another program or a power cut:
// locks, originals checked before they are replaced, a copy back that is
// undone when it fails, restores that are all or nothing.
inline constexpr const char* SRunLockFileName = "Wiz_Run.lock";
inline constexpr const char* SLockFileSuffix = ".lock";
inline constexpr const char* SRunRecordFileName = "RExpert.sum";
inline constexpr const char* SRunBusy =
    "\"%s\" is being converted or restored by another run (%s); nothing was changed.";
inline constexpr const char* SRunLockFailed = "\"%s\" cannot be locked for this run: %s";
inline constexpr const char* SNotWritable = "Cannot be written, not replaced: %s";
inline constexpr const char* SChangedSinceRead =
    "Changed by another program while the run was converting it, not replaced: %s";
inline constexpr const char* SLogPutBack = "Put back as it was: %s";
inline constexpr const char* SLogNotPutBack = "Could not be put back: %s (%s)";
inline constexpr const char* SRunUndone =
    "The copy back failed; every original already replaced was put back as it was, so no "
    "original is changed.";
inline constexpr const char* SRunNotUndone =
    "The copy back failed and not every original could be put back; the log names them.";
inline constexpr const char* SNotFlushed = "What the run wrote could not be flushed to disk: %s";
inline constexpr const char* SSpecialBitsLost =
    "The set-user-id or set-group-id bit of \"%s\" could not be given back.";
inline constexpr const char* SRunFileIsLink =
    "\"%s\" is a symbolic link; the run writes its log and report only as plain files in the "
    "folder it runs over. Remove the link, or run without a log or report.";
inline constexpr const char* SRestoreEdited =
    "Changed since the run wrote it (restore with --force to lose the change): %s";
inline constexpr const char* SRestoreEditedRefused =
    "%s file(s) were changed after the run that converted them; nothing was restored.";
inline constexpr const char* SRestoreEditedQuestion =
    "These files were changed after the run that converted them:\n\n%s\nRestoring them loses "
    "those changes. Restore them all the same?";
inline constexpr const char* SRestoreNotNormal = "its path is not a plain absolute path";
inline constexpr const char* SRestoreOriginalIsLink = "the file to restore is a symbolic link";
inline constexpr const char* SRestoreNoFolder =
    "the folder of the file to restore does not exist and lies outside the folders of the run";
inline constexpr const char* SRestoreRolledBack =
    "%s Every file already restored was put back as it was; nothing was changed.";
inline constexpr const char* SRestoreRecordDamaged =
    "\"%s\" is not a record of what the runs wrote; nothing was restored.";
inline constexpr const char* SFormNulRefused =
    "Form holds a NUL character on line %s and was left unconverted: %s";
inline constexpr const char* SUnitFormRefused =
    "Unit %s was converted, but its form %s was left unconverted; convert or fix the form by "
    "hand before compiling.";

}  // namespace migwiz::RExpertRes

namespace migwiz::RExpertRes {

// The run's one file for what does not fit in memory until the copy back.
inline constexpr const char* SSpillFileName = "@spill";
inline constexpr const char* SSpillFileChanged =
    "The run's temporary file \"%s\" was changed by another program; its copies cannot be used.";
inline constexpr const char* SSpillFileBroken =
    "The run's temporary file \"%s\" is no longer written: an earlier write to it failed.";

}  // namespace migwiz::RExpertRes
