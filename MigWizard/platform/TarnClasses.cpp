#include "platform/TarnClasses.h"

namespace migwiz::platform {

namespace {

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<std::string> kDataSetEvents = {
    "BeforeOpen",    "AfterOpen",     "BeforeClose",    "AfterClose",     "BeforeInsert",
    "AfterInsert",   "BeforeEdit",    "AfterEdit",      "BeforePost",     "AfterPost",
    "BeforeCancel",  "AfterCancel",   "BeforeDelete",   "AfterDelete",    "BeforeScroll",
    "AfterScroll",   "BeforeRefresh", "AfterRefresh",   "OnCalcFields",   "OnDeleteError",
    "OnEditError",   "OnFilterRecord", "OnNewRecord",   "OnPostError",    "OnUpdateError",
    "OnUpdateRecord"};

}  // namespace

const std::vector<TClassInfo>& TarnClasses() {
  static const std::vector<TClassInfo> classes = {
      {"TTarnConnection",
       {"Name", "Tag", "Connected", "Database", "Username", "Password", "Server", "Port",
        "IsolationLevel", "LoginPrompt", "ConnectionTimeout", "Options", "PoolingOptions",
        "AutoCommit", "BeforeConnect", "AfterConnect", "BeforeDisconnect", "AfterDisconnect",
        "OnLogin", "OnError", "OnConnectionLost"}},
      {"TTarnQuery",
       Join({"Name", "Tag", "Active", "AutoCalcFields", "Connection", "SQL", "Params",
             "ParamData", "MasterSource", "MasterFields", "DetailFields", "UpdateObject",
             "CachedUpdates", "UniDirectional", "ReadOnly", "Filter", "Filtered",
             "FilterOptions", "FetchRows", "Options", "SQLInsert", "SQLUpdate", "SQLDelete",
             "SQLRefresh", "SQLLock"},
            kDataSetEvents)},
      {"TTarnTable",
       Join({"Name", "Tag", "Active", "AutoCalcFields", "Connection", "TableName",
             "IndexFieldNames", "KeyFields", "OrderFields", "Limit", "MasterSource",
             "MasterFields", "DetailFields", "UpdateObject", "CachedUpdates", "ReadOnly",
             "Filter", "Filtered", "FilterOptions", "FetchRows", "Options"},
            kDataSetEvents)},
      {"TTarnUpdateSQL",
       {"Name", "Tag", "DataSet", "InsertSQL", "ModifySQL", "DeleteSQL", "RefreshSQL",
        "LockSQL", "FetchRowSQL"}},
      {"TTarnStoredProc",
       Join({"Name", "Tag", "Active", "AutoCalcFields", "Connection", "StoredProcName",
             "Overload", "Params", "ParamData", "UpdateObject", "CachedUpdates",
             "UniDirectional", "ReadOnly", "Filter", "Filtered", "FilterOptions", "FetchRows",
             "Options", "SQLInsert", "SQLUpdate", "SQLDelete", "SQLRefresh", "SQLLock"},
            kDataSetEvents)},
      {"TTarnDataSource",
       {"Name", "Tag", "DataSet", "AutoEdit", "Enabled", "OnDataChange", "OnStateChange",
        "OnUpdateData"}},
      {"TKryBatchMove",
       {"Name", "Tag", "Source", "Destination", "Mode", "Mappings", "AbortOnKeyViol",
        "AbortOnProblem", "CommitCount", "RecordCount", "OnBatchMoveProgress"}},
  };
  return classes;
}

void RegisterTarnClasses(ClassRegistry& registry) {
  for (const TClassInfo& c : TarnClasses()) registry.RegisterClass(c);
}

}  // namespace migwiz::platform
