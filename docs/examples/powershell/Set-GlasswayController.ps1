# Points the Norrin Glassway service of each machine named in a file at one Host
# Controller, through PowerShell remoting, and prints one line per machine. "set
# --if-changed" stores and restarts nothing where the settings hold the choice already;
# -WhatIf runs it with --dry-run, which changes nothing anywhere.
#
#   .\Set-GlasswayController.ps1 -Controller ups-lab-west -Machines .\glassway-servers.txt
param(
    [Parameter(Mandatory)] [string] $Controller,
    [Parameter(Mandatory)] [string] $Machines,
    [int] $RefreshSeconds = 30,
    [string] $Program = 'C:\Glassway\ChangeControllerCmd.exe',
    [switch] $WhatIf
)
$arguments = @('set', $Controller, '--refresh-rate', $RefreshSeconds, '--if-changed', '--format', 'json')
if ($WhatIf) { $arguments += '--dry-run' }
Invoke-Command -ComputerName (Get-Content $Machines) -ScriptBlock {
    param($Program, $Arguments)
    $result = & $Program @Arguments 2>$null | ConvertFrom-Json
    [pscustomobject]@{ ExitCode = $LASTEXITCODE; Changed = $result.changed; Was = $result.was;
                       Message = $result.message }
} -ArgumentList $Program, $arguments |
    ForEach-Object { '{0}: exit {1}, changed={2}, was={3} {4}' -f $_.PSComputerName, $_.ExitCode, $_.Changed,
                     $_.Was.controller, $_.Message }
