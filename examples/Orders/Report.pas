unit Report;

{ Monatsbericht: Umsätze je Kunde – written in UTF-8 with its mark }

interface

uses
  SysUtils, Classes, Forms, DB, DBTables, StdCtrls;

type
  TReportForm = class(TForm)
    qryReport: TQuery;
    lblTitle: TLabel;
  end;

var
  ReportForm: TReportForm;

implementation

{$R *.dfm}

end.
