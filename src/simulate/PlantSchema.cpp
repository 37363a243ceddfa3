#include "simulate/PlantSchema.h"

namespace nax {

const char* plantSchemaSql() {
    return R"sql(
CREATE TABLE TimeLost (
    Dt_ID INTEGER PRIMARY KEY,
    Tag_ID INTEGER,
    Run_no INTEGER,
    Shift TEXT,
    Pack TEXT,
    Flavor TEXT,
    DT_Start REAL,
    DT_End REAL,
    Time_Lost REAL,
    Asset TEXT,
    Component TEXT,
    Loss_Structure TEXT,
    Failure TEXT,
    A_Operator TEXT,
    Executive TEXT,
    Remarks TEXT,
    Other1 TEXT,
    Other2 TEXT
);
CREATE TABLE Tag_Master (Tag_ID INTEGER PRIMARY KEY, TagName TEXT);
CREATE TABLE Run_master (
    Run_ID INTEGER PRIMARY KEY,
    Start_Time REAL,
    End_Time REAL,
    Pack_ID INTEGER,
    Flavor_ID INTEGER,
    CSpeed REAL,
    USpeed REAL,
    CaseCount REAL
);
CREATE TABLE opc (
    Timestamp REAL,
    Tag_id INTEGER,
    Run_ID INTEGER,
    Shift_ID TEXT,
    Pack_ID INTEGER,
    Flavor_Id INTEGER,
    Production INTEGER,
    UTimeLost REAL,
    CTimeLost REAL
);
CREATE TABLE Pack_Master (Pack_ID INTEGER PRIMARY KEY, Pack TEXT);
CREATE TABLE Flavor_Master (Flavor_Id INTEGER PRIMARY KEY, Flavor TEXT);
CREATE TABLE Asset_Master (Asset_ID INTEGER PRIMARY KEY, Asset_Name TEXT);
CREATE TABLE Component_master (Component TEXT, Asset_id INTEGER);
CREATE TABLE Failure_Master (Failure_ID INTEGER PRIMARY KEY, Failure_Description TEXT, Asset_id INTEGER);
CREATE TABLE Misc_Master (Loss_Structure TEXT);
CREATE TABLE Employee_Master (Employee_ID INTEGER PRIMARY KEY, Employee_Name TEXT, Employee_Type TEXT);
CREATE TABLE CMMS_Misc_Master (CompName TEXT, CompAddress TEXT);
)sql";
}

std::string serverPlantSchemaSql() {
    std::string schema = plantSchemaSql();
    for (size_t at = schema.find(" REAL"); at != std::string::npos; at = schema.find(" REAL", at))
        schema.replace(at, 5, " double precision");
    return schema;
}

const char* reportIndexSql() {
    // opc_run covers "Sum(Production) where Run_id = n", with or without a tag condition, so
    // the per-run sums never touch the table rows.
    return R"sql(
CREATE INDEX IF NOT EXISTS opc_run ON opc (Run_ID, Tag_id, Production);
CREATE INDEX IF NOT EXISTS opc_timestamp ON opc (Timestamp);
CREATE INDEX IF NOT EXISTS timelost_run ON TimeLost (Run_no);
CREATE INDEX IF NOT EXISTS timelost_start ON TimeLost (DT_Start);
CREATE INDEX IF NOT EXISTS run_master_start ON Run_master (Start_Time);
)sql";
}

} // namespace nax
