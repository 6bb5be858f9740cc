unit Main;

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, Forms, Dialogs,
  Grids, DBGrids, DB, DBTables, StdCtrls;

type
  TMainForm = class(TForm)
    tblCustomers: TTable;
    dsCustomers: TDataSource;
    qryTotals: TQuery;
    spArchive: TStoredProc;
    bmCopy: TBatchMove;
    tblArchive: TTable;
    gridCustomers: TDBGrid;
    btnArchive: TButton;
    procedure btnArchiveClick(Sender: TObject);
  end;

var
  MainForm: TMainForm;

implementation

uses DataMod;

{$R *.dfm}

procedure TMainForm.btnArchiveClick(Sender: TObject);
begin
  // don't archive while the totals are open
  qryTotals.Close;
  spArchive.ParamByName('BEFORE').AsDateTime := Date - 365;
  spArchive.ExecProc;
  bmCopy.Execute;
  ShowMessage('Archived with TStoredProc and TBatchMove');
end;

end.
