unit DataMod;

interface

uses
  SysUtils, Classes, DB, DBTables;

type
  TDM = class(TDataModule)
    Database1: TDatabase;
    qryOrders: TQuery;
    qryOrdersID: TIntegerField;
    qryOrdersCUSTOMER_ID: TIntegerField;
    qryOrdersTOTAL: TCurrencyField;
    updOrders: TUpdateSQL;
    dsOrders: TDataSource;
    procedure DataModuleCreate(Sender: TObject);
  private
    function OpenOrders(CustomerID: Integer): TQuery;
  end;

var
  DM: TDM;

implementation

{$R *.dfm}

procedure TDM.DataModuleCreate(Sender: TObject);
begin
  try
    Database1.Connected := True;
  except
    on E: EDBEngineError do
      raise Exception.Create('Cannot reach the order database: ' + E.Message);
  end;
end;

function TDM.OpenOrders(CustomerID: Integer): TQuery;
begin
  { a TQuery per customer keeps the grid simple }
  qryOrders.Close;
  qryOrders.ParamByName('cust').AsInteger := CustomerID;
  qryOrders.Open;
  Result := qryOrders;
end;

end.
