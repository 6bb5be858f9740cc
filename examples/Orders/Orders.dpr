program Orders;

uses
  Forms,
  Main in 'Main.pas' {MainForm},
  DataMod in 'DataMod.pas' {DM: TDataModule},
  Report in 'Report.pas' {ReportForm};

{$R *.res}

begin
  Application.Initialize;
  Application.CreateForm(TDM, DM);
  Application.CreateForm(TMainForm, MainForm);
  Application.Run;
end.
