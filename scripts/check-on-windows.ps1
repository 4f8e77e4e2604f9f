<#
What only a real Windows 10 or 11 machine can show: setup.exe and its
uninstaller started by a standard user through UAC, and what they leave.
Run it as a standard user (not elevated), on a machine without the App Pack:

    powershell -ExecutionPolicy Bypass -File check-on-windows.ps1 -Setup .\setup.exe

It starts setup.exe (UAC asks for an administrator; install as you like),
prints the permissions of the install folder, then starts the uninstaller
exactly as Settings does, from the UninstallString (UAC asks again; answer
Yes and close the closing message). Then it lists what is left: finishing
copies in the user's temporary folder and in the Windows folder's Temp
(read through one more UAC prompt, since a standard user may not list it),
the install folder, the Start-menu folder, the registry keys setup.exe
writes, and deletions waiting for a restart. A clean run ends with
"Nothing is left." and exit code 0; otherwise each leftover is named and the
exit code is 1.
#>
param([Parameter(Mandatory = $true)] [string] $Setup)
$ErrorActionPreference = 'Stop'

$keys = @(
  'HKLM:\Software\Velunora',
  'HKLM:\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velunora',
  'HKLM:\Software\Classes\Directory\shell\Tunebridge',
  'HKLM:\Software\Classes\SystemFileAssociations\audio\shell\Tunebridge',
  'HKLM:\Software\Classes\.ntxt', 'HKLM:\Software\Classes\Notelocker.Document',
  'HKLM:\Software\Classes\.kvx', 'HKLM:\Software\Classes\Wardbin.File',
  'HKLM:\Software\Classes\.dft', 'HKLM:\Software\Classes\Drifthub.File')
$startMenu = Join-Path $env:ProgramData 'Microsoft\Windows\Start Menu\Programs\Velunora'
$windowsTemp = Join-Path $env:SystemRoot 'Temp'
$sessionManager = 'HKLM:\System\CurrentControlSet\Control\Session Manager'

function Copies-In-UserTemp { @(Get-ChildItem -Force -LiteralPath $env:TEMP -Filter 'vlu*' -ErrorAction SilentlyContinue) }
function Pending-Restart {
  (Get-ItemProperty -LiteralPath $sessionManager -Name PendingFileRenameOperations -ErrorAction SilentlyContinue).PendingFileRenameOperations
}

$tempBefore = Copies-In-UserTemp
$pendingBefore = Pending-Restart

Write-Host '1. setup.exe: UAC asks for an administrator; install, then close the wizard.'
Start-Process -FilePath $Setup -Wait
$appPath = (Get-ItemProperty -LiteralPath 'HKLM:\Software\Velunora' -Name AppPath -ErrorAction SilentlyContinue).AppPath
if (-not $appPath) { Write-Host 'No installation found (AppPath is missing).'; exit 1 }
Write-Host "Installed into $appPath. Its permissions (expected: protected, SYSTEM and Administrators full control, Users read and execute, when setup.exe created the folder):"
icacls $appPath

$command = (Get-ItemProperty -LiteralPath 'HKLM:\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velunora').UninstallString
$uninstaller = $command.Trim('"')
Write-Host "2. $uninstaller`: UAC asks for an administrator; answer Yes, then close the closing message."
Start-Process -FilePath $uninstaller -Wait
# The finishing copy and the process it hands its file to end on their own.
for ($i = 0; $i -lt 120 -and (Get-Process | Where-Object { $_.Name -like 'vlu*' }); $i++) { Start-Sleep -Milliseconds 500 }

Write-Host '3. One more UAC prompt lists the Windows folder''s Temp.'
$listing = Join-Path $env:TEMP 'velunora-windows-temp.txt'
Start-Process -FilePath powershell -Verb RunAs -Wait -WindowStyle Hidden -ArgumentList @(
  '-NoProfile', '-Command',
  "Get-ChildItem -Force -LiteralPath '$windowsTemp' -Filter 'vlu*' | ForEach-Object FullName | Out-File -Encoding utf8 '$listing'")
$windowsLeft = @(Get-Content -LiteralPath $listing -ErrorAction SilentlyContinue | Where-Object { $_ })
Remove-Item -LiteralPath $listing -ErrorAction SilentlyContinue

$left = @()
$left += Copies-In-UserTemp | Where-Object { $tempBefore.Name -notcontains $_.Name } | ForEach-Object { "temporary folder: $($_.FullName)" }
$left += $windowsLeft | ForEach-Object { "Windows Temp: $_" }
if (Test-Path -LiteralPath $appPath) {
  $left += "install folder: $appPath"
  $left += Get-ChildItem -Force -LiteralPath $appPath | ForEach-Object { "  holds $($_.Name)" }
}
if (Test-Path -LiteralPath $startMenu) { $left += "Start-menu folder: $startMenu" }
$left += $keys | Where-Object { Test-Path -LiteralPath $_ } | ForEach-Object { "registry: $_" }
$pending = Pending-Restart
if ("$pending" -ne "$pendingBefore") { $left += "waiting for a restart: $($pending -join ' | ')" }

if ($left.Count -eq 0) { Write-Host 'Nothing is left.'; exit 0 }
Write-Host 'Left behind:'
$left | ForEach-Object { Write-Host "  $_" }
exit 1
