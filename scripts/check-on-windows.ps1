<#
What only a real Windows 10 or 11 machine can show. Run it from a PowerShell that is not elevated, on a
machine without the App Pack:
    powershell -ExecutionPolicy Bypass -File check-on-windows.ps1 -Setup .\setup.exe -PlantedDll .\planted.dll [-SetupUser .\setup-user.exe]
It installs and uninstalls several times and says what to do in each wizard; UAC asks for an administrator
for each elevated program and for each step that reads what a standard user may not. Each check prints
"PASS name", "FAIL name: why" or "SKIP name: why"; the exit code is 1 when any failed.
#>
param(
  [Parameter(Mandatory = $true)] [string] $Setup,
  [Parameter(Mandatory = $true)] [string] $PlantedDll,
  [string] $SetupUser)
$ErrorActionPreference = 'Stop'
$Setup = (Resolve-Path -LiteralPath $Setup).Path
$PlantedDll = (Resolve-Path -LiteralPath $PlantedDll).Path
if ($SetupUser) { $SetupUser = (Resolve-Path -LiteralPath $SetupUser).Path }

# A 32-bit PowerShell reads the 32-bit registry view and a redirected
# System32: the check runs in the 64-bit one.
if (-not [Environment]::Is64BitProcess -and [Environment]::Is64BitOperatingSystem) {
  $arguments = @('-NoProfile', '-ExecutionPolicy', 'Bypass', '-File', $PSCommandPath)
  foreach ($p in $PSBoundParameters.GetEnumerator()) { $arguments += "-$($p.Key)"; $arguments += [string] $p.Value }
  & "$env:SystemRoot\Sysnative\WindowsPowerShell\v1.0\powershell.exe" @arguments
  exit $LASTEXITCODE
}

# What runs both here and in the elevated helpers (which get its text).
$library = {
  function Use-Native {
    if ('VeluCheck.Native' -as [type]) { return }
    Add-Type -Namespace VeluCheck -Name Native -MemberDefinition @'
[DllImport("kernel32.dll", SetLastError = true)] public static extern IntPtr OpenProcess(uint access, bool inherit, uint id);
[DllImport("kernel32.dll", SetLastError = true)] public static extern bool GetProcessMitigationPolicy(IntPtr process, int policy, ref uint flags, UIntPtr size);
[DllImport("kernel32.dll")] public static extern bool CloseHandle(IntPtr handle);
[DllImport("kernel32.dll", CharSet = CharSet.Unicode, SetLastError = true)] public static extern IntPtr LoadLibrary(string path);
[DllImport("kernel32.dll", CharSet = CharSet.Unicode)] public static extern uint GetLongPathName(string path, System.Text.StringBuilder buffer, uint size);
'@
  }
  function Get-LongPath([string] $path) {
    Use-Native
    $buffer = New-Object System.Text.StringBuilder 1024
    if ([VeluCheck.Native]::GetLongPathName($path, $buffer, 1024) -gt 0) { $buffer.ToString() } else { $path }
  }
  # RedirectionGuard (policy 16, bit 0) of a running process: on, off,
  # unknown (this Windows has no such policy) or why it could not be read.
  function Get-RedirectionGuard([int] $id) {
    Use-Native
    $process = [VeluCheck.Native]::OpenProcess(0x400, $false, $id)  # PROCESS_QUERY_INFORMATION
    if ($process -eq [IntPtr]::Zero) { return "not opened (error $([Runtime.InteropServices.Marshal]::GetLastWin32Error()))" }
    $flags = [uint32] 0
    $read = [VeluCheck.Native]::GetProcessMitigationPolicy($process, 16, [ref] $flags, [UIntPtr] 4)
    $errorCode = [Runtime.InteropServices.Marshal]::GetLastWin32Error()
    [void] [VeluCheck.Native]::CloseHandle($process)
    if (-not $read) { if ($errorCode -eq 87) { return 'unknown' }; return "not read (error $errorCode)" }
    if ($flags -band 1) { 'on' } else { 'off' }
  }
  # Waits until the uninstaller, its finishing copy (vlu*.exe) and the
  # command processors that hold the copy's file have all ended; with
  # $probe, reads RedirectionGuard in each while its window is up.
  function Wait-Uninstall([int] $id, [bool] $probe) {
    $family = @{ $id = 'uninstaller' }; $probed = @{}
    $deadline = (Get-Date).AddMinutes(15)
    do {
      $all = @(Get-CimInstance Win32_Process)
      foreach ($p in $all) {
        if ($p.Name -like 'vlu*.exe') {
          $family[[int] $p.ProcessId] = 'finishing copy'
          $parent = @($all | Where-Object { $_.ProcessId -eq $p.ParentProcessId -and $_.Name -eq 'cmd.exe' })
          if ($parent.Count) { $family[[int] $p.ParentProcessId] = 'cmd' }
        } elseif ($p.Name -eq 'cmd.exe' -and $family.ContainsKey([int] $p.ParentProcessId)) { $family[[int] $p.ProcessId] = 'cmd' }
      }
      $running = @($all | Where-Object { $family.ContainsKey([int] $_.ProcessId) })
      foreach ($p in $running) {
        $role = $family[[int] $p.ProcessId]
        if (-not $probe -or $role -eq 'cmd' -or $probed[$role]) { continue }
        $process = Get-Process -Id $p.ProcessId -ErrorAction SilentlyContinue
        if ($process -and $process.MainWindowHandle -ne [IntPtr]::Zero) { $probed[$role] = $true; "guard ${role}: $(Get-RedirectionGuard $p.ProcessId)" }
      }
      if ($running.Count -eq 0) { return }
      Start-Sleep -Milliseconds 250
    } while ((Get-Date) -lt $deadline)
    'timeout'
  }
  function Get-LeftCopies {
    foreach ($folder in @("$env:SystemRoot\Temp", $env:TEMP)) {
      Get-ChildItem -Force -LiteralPath $folder -Filter 'vlu*' -ErrorAction SilentlyContinue | ForEach-Object { 'left: ' + $_.FullName }
    }
  }
  # Starts the uninstaller with TEMP and TMP naming a folder by its 8.3 form,
  # where a stale copy of the uninstaller waits to be swept.
  function Start-WithShortTemp([string] $uninstaller) {
    $long = Join-Path $env:TEMP 'Velunora check with a long name'
    $null = New-Item -ItemType Directory -Force -Path $long
    $short = (New-Object -ComObject Scripting.FileSystemObject).GetFolder($long).ShortPath
    $stale = Join-Path $long ('vlu' + [guid]::NewGuid().ToString('N') + '.exe')
    Copy-Item -LiteralPath $uninstaller -Destination $stale
    $saved = $env:TEMP, $env:TMP
    if ($short -ne $long) { $env:TEMP = $short; $env:TMP = $short }
    try { $process = Start-Process -FilePath $uninstaller -PassThru } finally { $env:TEMP = $saved[0]; $env:TMP = $saved[1] }
    Wait-Uninstall $process.Id $false
    if ($short -eq $long) { 'sweep: no 8.3 name' } elseif (Test-Path -LiteralPath $stale) { "sweep: $stale stayed (TEMP was $short)" } else { 'sweep: swept' }
    Get-ChildItem -Force -LiteralPath $long | Where-Object { $_.FullName -ne $stale } | ForEach-Object { 'left: ' + $_.FullName }
    Remove-Item -LiteralPath $long -Recurse -Force -ErrorAction SilentlyContinue
    Get-LeftCopies
  }
  # Links first, each itself and never what it points to, then the folders.
  function Remove-CheckFolders([string[]] $links, [string[]] $folders) {
    foreach ($link in $links) { if (Test-Path -LiteralPath $link) { try { [IO.Directory]::Delete($link, $false) } catch { "not removed: $link" } } }
    foreach ($folder in $folders) { Remove-Item -LiteralPath $folder -Recurse -Force -ErrorAction SilentlyContinue }
  }
}
. $library

$prepareBlock = { param([string[]] $links, [string[]] $folders, [string] $link, [string] $target)
  Remove-CheckFolders $links $folders
  $null = New-Item -ItemType Directory -Path $target
  $null = New-Item -ItemType Junction -Path $link -Target $target
  'owner: ' + (Get-Acl -LiteralPath $target).GetOwner([Security.Principal.SecurityIdentifier]).Value
  'temp: ' + (Get-LongPath $env:TEMP)
  Get-LeftCopies }
$probeBlock = { param([string] $id)
  $deadline = (Get-Date).AddMinutes(10)
  while ((Get-Date) -lt $deadline) {
    $process = Get-Process -Id $id -ErrorAction SilentlyContinue
    if (-not $process) { 'guard setup: it ended before it showed its window'; return }
    if ($process.MainWindowHandle -ne [IntPtr]::Zero) { 'guard setup: ' + (Get-RedirectionGuard $id); return }
    Start-Sleep -Milliseconds 250
  }
  'guard setup: no window within 10 minutes' }
$watchBlock = { param([string] $id, [string] $probe) Wait-Uninstall ([int] $id) ($probe -eq 'True'); Get-LeftCopies }
$shortTempBlock = { param([string] $uninstaller) Start-WithShortTemp $uninstaller }
$cleanupBlock = { param([string[]] $links, [string[]] $folders) Remove-CheckFolders $links $folders }

$failures = 0
function Say([string] $verdict, [string] $name, [string] $why) {
  if ($verdict -eq 'PASS') { Write-Host "PASS $name" } else { Write-Host "$verdict ${name}: $why" }
  if ($verdict -eq 'FAIL') { $script:failures++ }
}
function Check([string] $name, [bool] $ok, [string] $why) { if ($ok) { Say 'PASS' $name } else { Say 'FAIL' $name $why } }
function Step([string] $text) { Write-Host ''; Write-Host $text }

function ConvertTo-Literal($value) {
  if ($value -is [array]) { return '@(' + (($value | ForEach-Object { ConvertTo-Literal $_ }) -join ', ') + ')' }
  "'" + ([string] $value).Replace("'", "''") + "'"
}
# Runs a block elevated (UAC asks) with the library, and returns what it printed.
function Invoke-Elevated([scriptblock] $block, [object[]] $arguments = @()) {
  $file = Join-Path $env:TEMP ('velunora-check-' + [guid]::NewGuid().ToString('N') + '.ps1')
  $out = "$file.txt"
  $call = '& {' + $block + '} ' + (($arguments | ForEach-Object { ConvertTo-Literal $_ }) -join ' ')
  Set-Content -LiteralPath $file -Encoding UTF8 -Value ($library.ToString() + "`r`n" + $call +
    " *>&1 | ForEach-Object { `"`$_`" } | Out-File -Encoding utf8 -LiteralPath " + (ConvertTo-Literal $out))
  try {
    Start-Process -FilePath (Join-Path $PSHOME 'powershell.exe') -Verb RunAs -Wait -WindowStyle Hidden `
      -ArgumentList "-NoProfile -ExecutionPolicy Bypass -File `"$file`""
    @(Get-Content -LiteralPath $out -Encoding UTF8 -ErrorAction SilentlyContinue)
  } catch { "error: the elevated step did not run: $($_.Exception.Message)" }
  finally { Remove-Item -LiteralPath $file, $out -Force -ErrorAction SilentlyContinue }
}

$folderSddl = 'D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICI;0x1200a9;;;AC)(A;OICI;0x1200a9;;;S-1-15-2-2)'
$fileSddl = 'D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)(A;;0x1200a9;;;AC)(A;;0x1200a9;;;S-1-15-2-2)'
$trusted = 'S-1-5-18', 'S-1-5-32-544', 'S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464'
$programFiles = 'Talvex', 'Glimmerdex', 'Veilcrafter', 'Frolix', 'Tunebridge', 'Notelocker', 'Wardbin', 'Drifthub', 'uninstall' |
  ForEach-Object { "$_.exe" }
# The names the planted-DLL test plants: what the wizard, the shell, the
# themes and COM load and that does not always come from System32.
$plantedNames = 'comctl32', 'version', 'uxtheme', 'dwmapi', 'cryptbase', 'propsys', 'profapi', 'userenv',
  'msimg32', 'winmm', 'sspicli', 'ntmarta' | ForEach-Object { "$_.dll" }
$allUsers = @{ Root = 'HKLM:'; StartMenu = Join-Path $env:ProgramData 'Microsoft\Windows\Start Menu\Programs\Velunora' }
$singleUser = @{ Root = 'HKCU:'; StartMenu = Join-Path $env:APPDATA 'Microsoft\Windows\Start Menu\Programs\Velunora' }
$drive = $env:SystemDrive
$existing = "$drive\VeluCheck-Existing"; $userLink = "$drive\VeluCheck-UserLink"; $userTarget = "$drive\VeluCheck-UserTarget"
$adminLink = "$drive\VeluCheck-AdminLink"; $adminTarget = "$drive\VeluCheck-AdminTarget"
$links = @($userLink, $adminLink); $folders = @($existing, $userTarget, $adminTarget)

# A DACL as comparable text: protection, then the sorted entries (type, SID,
# rights with generic rights mapped as for files, inheritance flags), so
# that the same permissions compare equal however Windows prints them.
function Format-Dacl([string] $sddl) {
  $descriptor = New-Object Security.AccessControl.RawSecurityDescriptor($sddl)
  $generic = @(@(0x10000000L, 0x1f01ffL), @(0x20000000L, 0x1200a0L), @(0x40000000L, 0x120116L), @(0x80000000L, 0x120089L))
  $aces = @(foreach ($ace in $descriptor.DiscretionaryAcl) {
      $mask = [int64] $ace.AccessMask -band 0xffffffffL
      foreach ($g in $generic) { if ($mask -band $g[0]) { $mask = ($mask -band (-bnot $g[0])) -bor $g[1] } }
      '{0} {1} {2:x8} {3:x2}' -f [int] $ace.AceType, $ace.SecurityIdentifier.Value, $mask, ([int] $ace.AceFlags -band 0x1f)
    }) | Sort-Object
  'protected=' + (([int] $descriptor.ControlFlags -band 0x1000) -ne 0) + '; ' + ($aces -join '; ')
}
function Get-Sddl([string] $path) {
  try { (Get-Acl -LiteralPath $path).Sddl } catch { "unreadable ($($_.Exception.Message))" }
}
# Nothing when `path` has owner Administrators and the expected DACL, else why.
function Get-SecurityFault([string] $path, [string] $expected) {
  if (-not (Test-Path -LiteralPath $path)) { return "$path is missing" }
  $sddl = Get-Sddl $path
  if ($sddl -like 'unreadable*') { return "$path is $sddl" }
  $owner = (New-Object Security.AccessControl.RawSecurityDescriptor($sddl)).Owner
  if (-not $owner -or $owner.Value -ne 'S-1-5-32-544' -or (Format-Dacl $sddl) -ne (Format-Dacl $expected)) {
    "$path has $sddl, expected O:BA$expected"
  }
}
# True when anyone but SYSTEM, Administrators and TrustedInstaller may change
# the object itself: write or append, delete, delete a child, DACL, owner.
function Test-OthersMayChange([string] $sddl) {
  $dacl = (New-Object Security.AccessControl.RawSecurityDescriptor($sddl)).DiscretionaryAcl
  if ($null -eq $dacl) { return $true }
  foreach ($ace in $dacl) {
    if ([int] $ace.AceType -eq 0 -and -not ([int] $ace.AceFlags -band 8) -and $trusted -notcontains $ace.SecurityIdentifier.Value -and
      ([int] $ace.AccessMask -band 0x500d0046)) { return $true }
  }
  $false
}
function Test-Secured([string] $name, [string] $folder) {
  $faults = @(Get-SecurityFault $folder $folderSddl)
  foreach ($file in $programFiles) { $faults += @(Get-SecurityFault (Join-Path $folder $file) $fileSddl) }
  Check "$name permissions" ($faults.Count -eq 0) ($faults -join ' | ')
}

function Get-Value([string] $key, [string] $name) { (Get-ItemProperty -LiteralPath $key -Name $name -ErrorAction SilentlyContinue).$name }
function Get-AppPath([string] $root) { Get-Value "$root\Software\Velunora" 'AppPath' }
function Get-Uninstaller([string] $root) {
  $command = Get-Value "$root\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velunora" 'UninstallString'
  if ($command -match '^"([^"]+)"') { $Matches[1] } else { $command }
}
function Get-Keys([string] $root) {
  'Velunora', 'Microsoft\Windows\CurrentVersion\Uninstall\Velunora', 'Classes\Directory\shell\Tunebridge',
  'Classes\SystemFileAssociations\audio\shell\Tunebridge', 'Classes\.ntxt', 'Classes\Notelocker.Document',
  'Classes\.kvx', 'Classes\Wardbin.File', 'Classes\.dft', 'Classes\Drifthub.File' | ForEach-Object { "$root\Software\$_" }
}
function Get-PendingRenames {
  @(Get-Value 'HKLM:\System\CurrentControlSet\Control\Session Manager' 'PendingFileRenameOperations') |
    Where-Object { $_ } | ForEach-Object { $_ -replace '^!?\\\?\?\\', '' }
}
# Ours: in an install folder the check used, or a vlu* item below a temporary folder.
function Test-Ours([string] $path) {
  $ignoreCase = [StringComparison]::OrdinalIgnoreCase
  foreach ($folder in $script:installRoots) { if ("$path\".StartsWith("$folder\", $ignoreCase)) { return $true } }
  foreach ($root in $script:tempRoots) { if ($path.StartsWith("$root\", $ignoreCase) -and $path.Substring($root.Length) -match '\\vlu') { return $true } }
  $false
}
function Test-Leftovers([string] $name, [hashtable] $edition, [string] $folder, [string[]] $keep, [string[]] $helper) {
  $left = @((@($helper | Where-Object { $_ -like 'left: *' }) + @(Get-LeftCopies)) | Select-Object -Unique |
      Where-Object { $script:copiesBefore -notcontains $_ })
  if ($folder -and (Test-Path -LiteralPath $folder)) {
    if ($keep.Count -eq 0) { $left += "install folder $folder" }
    $left += @(Get-ChildItem -Force -LiteralPath $folder | Where-Object { $keep -notcontains $_.Name } | ForEach-Object { 'in it: ' + $_.Name })
  }
  if (Test-Path -LiteralPath $edition.StartMenu) { $left += 'Start-menu folder ' + $edition.StartMenu }
  $left += @(Get-Keys $edition.Root | Where-Object { Test-Path -LiteralPath $_ } | ForEach-Object { "registry $_" })
  $script:installRoots += $folder.TrimEnd('\')
  $left += @(Get-PendingRenames | Where-Object { $script:pendingBefore -notcontains $_ -and (Test-Ours $_) } |
      ForEach-Object { "restart deletes $_" })
  $left += @($helper | Where-Object { $_ -eq 'timeout' -or $_ -like 'error: *' })
  Check "$name uninstall leaves nothing" ($left.Count -eq 0) ($left -join ' | ')
}
# Reads the helper's line "<topic>: <state>": PASS on $pass, SKIP on $skip, FAIL otherwise.
function Test-Line([string] $name, [string[]] $lines, [string] $topic, [string] $pass, [string] $skip, [string] $skipWhy) {
  $line = @($lines | Where-Object { $_ -like "${topic}: *" })[0]
  $state = if ($line) { $line.Substring($topic.Length + 2) } else { 'not read: ' + ($lines -join ' | ') }
  if ($state -eq $pass) { Say 'PASS' $name } elseif ($state -eq $skip) { Say 'SKIP' $name $skipWhy } else { Say 'FAIL' $name $state }
}
function Test-Guard([string] $name, [string[]] $lines, [string] $role) {
  Test-Line $name $lines "guard $role" 'on' 'unknown' 'this Windows has no RedirectionGuard (older than Windows 10 22H2)'
}
function Test-Sweep([string] $name, [string[]] $lines) { Test-Line $name $lines 'sweep' 'swept' 'no 8.3 name' '8.3 names are not made on this volume' }
function Wait-AllUsersUninstall([string] $name, [bool] $probe) {
  $uninstaller = Get-Uninstaller $allUsers.Root
  if (-not $uninstaller) { Say 'FAIL' "$name uninstall" 'there is no UninstallString'; return @() }
  Write-Host "Starting $uninstaller as Settings does. UAC asks for an administrator, then once more for the check."
  Write-Host 'Answer Yes in the uninstaller, read its closing message and close it; the check waits for its processes to end.'
  $process = Start-Process -FilePath $uninstaller -PassThru
  Invoke-Elevated $watchBlock @([string] $process.Id, [string] $probe)
}

function Test-DefaultInstall {
  Step '1. The default installation, from a folder that also holds DLLs named like system DLLs.'
  $plant = Join-Path $env:TEMP 'velunora-check-planted'
  Remove-Item -LiteralPath $plant -Recurse -Force -ErrorAction SilentlyContinue
  $null = New-Item -ItemType Directory -Path $plant
  Copy-Item -LiteralPath $Setup -Destination (Join-Path $plant 'setup.exe')
  foreach ($dll in $plantedNames) { Copy-Item -LiteralPath $PlantedDll -Destination (Join-Path $plant $dll) }
  Write-Host 'UAC asks for an administrator for setup.exe, then once more for the check (it reads the running setup.exe).'
  Write-Host 'Then: I Agree, Next, on the folder page click Browse and Cancel the picker, keep the default folder, Install, Close.'
  Write-Host '(Not checked: right after Close, a file named x.ntxt shows its new icon without restarting Explorer.)'
  $process = Start-Process -FilePath (Join-Path $plant 'setup.exe') -WorkingDirectory $plant -PassThru
  Test-Guard 'RedirectionGuard in setup.exe' @(Invoke-Elevated $probeBlock @([string] $process.Id)) 'setup'
  $process.WaitForExit()
  $log = Join-Path $plant 'planted-loads.log'
  $loaded = if (Test-Path -LiteralPath $log) { (Get-Content -LiteralPath $log -Encoding Unicode) -join ' | ' } else { '' }
  # The control: loaded on purpose, the canary must leave its sign.
  Copy-Item -LiteralPath $PlantedDll -Destination (Join-Path $plant 'canary.dll')
  Use-Native
  $null = [VeluCheck.Native]::LoadLibrary((Join-Path $plant 'canary.dll'))
  $signs = (Test-Path -LiteralPath $log) -and ((Get-Content -LiteralPath $log -Encoding Unicode) -join '') -like '*canary.dll loaded by*'
  Check 'no planted DLL loaded by setup.exe' (-not $loaded -and $signs) $(if ($loaded) { $loaded } else { 'the canary left no sign when loaded on purpose' })
  Remove-Item -LiteralPath $plant -Recurse -Force -ErrorAction SilentlyContinue

  $folder = Get-AppPath $allUsers.Root
  if (-not $folder) { Say 'FAIL' 'default installation' 'no AppPath: nothing was installed'; return }
  Test-Secured 'default installation' $folder
  # As a virus scanner would: a program held open, sharing everything. Only a
  # POSIX delete takes its name at once, so that its folder can go too.
  $held = $null
  try { $held = [IO.File]::Open((Join-Path $folder 'Talvex.exe'), 'Open', 'Read', 'ReadWrite, Delete') } catch { }
  $lines = @(Wait-AllUsersUninstall 'default installation' $true)
  $folderGone = -not (Test-Path -LiteralPath $folder)
  if ($held) { $held.Dispose() }
  Check 'POSIX delete: the folder goes while another process holds a program in it' ($null -ne $held -and $folderGone) `
    $(if ($held) { "$folder is still there" } else { 'set-up: Talvex.exe could not be opened' })
  Test-Guard 'RedirectionGuard in uninstall.exe' $lines 'uninstaller'
  Test-Guard 'RedirectionGuard in the finishing copy' $lines 'finishing copy'
  Test-Leftovers 'default installation' $allUsers $folder @() $lines
}

function Test-ExistingFolder {
  Step "2. An installation into $existing, a folder a standard user made and put a file in."
  $null = New-Item -ItemType Directory -Path $existing
  $kept = Join-Path $existing 'kept.txt'
  Set-Content -LiteralPath $kept -Value 'a file of the user''s own'
  $keptBefore = Get-Sddl $kept
  $changeable = Test-OthersMayChange (Get-Sddl $existing)
  Write-Host "UAC asks for an administrator. On the folder page type $existing (or Browse to it), Install, Close."
  Start-Process -FilePath $Setup -Wait
  if (-not $changeable) { Say 'FAIL' 'existing folder permissions' "set-up: standard users could not change $existing before setup ran" }
  else { Test-Secured 'existing folder' $existing }
  Check 'existing folder: the file the user put there keeps its permissions' ((Get-Sddl $kept) -eq $keptBefore) `
    "before: $keptBefore, after: $(Get-Sddl $kept)"
  $lines = @(Wait-AllUsersUninstall 'existing folder' $false)
  Test-Leftovers 'existing folder' $allUsers $existing @('kept.txt') $lines
}

function Test-Junctions {
  Step "3. A junction a standard user made: $userLink to $userTarget."
  $null = New-Item -ItemType Directory -Path $userTarget
  $null = New-Item -ItemType Junction -Path $userLink -Target $userTarget
  $owner = (Get-Acl -LiteralPath $userTarget).GetOwner([Security.Principal.SecurityIdentifier]).Value
  Write-Host "UAC asks for an administrator. On the folder page type $userLink\Velunora, Install (Show Details: each file says ERROR: Write failed.), Close."
  Start-Process -FilePath $Setup -Wait
  $written = @(Get-ChildItem -Force -Recurse -LiteralPath $userTarget | ForEach-Object { $_.FullName })
  Check "junction of a standard user not followed" ($owner -eq $userSid -and $written.Count -eq 0) `
    $(if ($owner -ne $userSid) { "set-up: the junction's folder is owned by $owner" } else { 'written: ' + ($written -join ', ') })

  Step "4. A junction an administrator made: $adminLink to $adminTarget."
  Write-Host "UAC asks for an administrator. On the folder page type $adminLink\Velunora, Install, Close."
  Start-Process -FilePath $Setup -Wait
  $target = Join-Path $adminTarget 'Velunora'
  Check 'junction of an administrator followed' ("$(Get-AppPath $allUsers.Root)".TrimEnd('\') -eq "$adminLink\Velunora" -and (Test-Path -LiteralPath (Join-Path $target 'uninstall.exe'))) `
    "AppPath is '$(Get-AppPath $allUsers.Root)'; $target holds: $(@(Get-ChildItem -Force -LiteralPath $target -ErrorAction SilentlyContinue).Name -join ', ')"
  Test-Secured 'junction of an administrator' $target
  $uninstaller = Get-Uninstaller $allUsers.Root
  Write-Host 'One UAC prompt starts the uninstaller from an elevated check, with TEMP in its 8.3 form. Answer Yes, close the closing message.'
  $lines = @(if ($uninstaller) { Invoke-Elevated $shortTempBlock @($uninstaller) } else { 'error: there is no UninstallString' })
  Test-Sweep 'stale copy swept with a short TEMP (all users)' $lines
  Test-Leftovers 'junction of an administrator' $allUsers "$adminLink\Velunora" @() $lines
}

function Test-SingleUser {
  if (-not $SetupUser) {
    Say 'SKIP' 'single-user edition' 'no -SetupUser given'
    Say 'SKIP' 'stale copy swept with a short TEMP (single user)' 'no -SetupUser given'
    return
  }
  $moved = Join-Path $env:LOCALAPPDATA 'VeluCheck-Moved'; $movedTarget = Join-Path $env:LOCALAPPDATA 'VeluCheck-MovedTarget'
  Step "5. The single-user edition, through the user's own link $moved to $movedTarget."
  Remove-CheckFolders @($moved) @($movedTarget)
  $null = New-Item -ItemType Directory -Path $movedTarget
  $null = New-Item -ItemType Junction -Path $moved -Target $movedTarget
  Write-Host "setup-user.exe asks for nothing. On the folder page type $moved\Velunora, Install, Close."
  Start-Process -FilePath $SetupUser -Wait
  $target = Join-Path $movedTarget 'Velunora'
  $files = @($programFiles | Where-Object { Test-Path -LiteralPath (Join-Path $target $_) })
  Check "single-user edition installed through the user's own link" ($files.Count -eq $programFiles.Count) "$target holds $($files.Count) of $($programFiles.Count) files"
  $uninstaller = Get-Uninstaller $singleUser.Root
  Write-Host 'The uninstaller starts with TEMP in its 8.3 form. Answer Yes, read its closing message and close it.'
  $lines = @(if ($uninstaller) { Start-WithShortTemp $uninstaller } else { 'error: there is no UninstallString' })
  Test-Sweep 'stale copy swept with a short TEMP (single user)' $lines
  Test-Leftovers 'single-user edition' $singleUser "$moved\Velunora" @() $lines
  Check "single-user uninstall keeps the user's link and its target" ((Test-Path -LiteralPath $moved) -and (Test-Path -LiteralPath $movedTarget)) 'one of them is gone'
  Remove-CheckFolders @($moved) @($movedTarget)
}

$identity = [Security.Principal.WindowsIdentity]::GetCurrent()
$userSid = $identity.User.Value
if ((New-Object Security.Principal.WindowsPrincipal $identity).IsInRole([Security.Principal.WindowsBuiltInRole]::Administrator)) {
  Write-Host 'Run this from a PowerShell that is not elevated: it acts as a standard user.'; exit 2
}
if ((Get-AppPath 'HKLM:') -or (Get-AppPath 'HKCU:')) { Write-Host 'The App Pack is installed: uninstall it first.'; exit 2 }

Step '0. One UAC prompt prepares the check: it removes what an earlier run left and makes an administrator''s junction.'
$prepared = @(Invoke-Elevated $prepareBlock @($links, $folders, $adminLink, $adminTarget))
Check 'set-up: a junction owned by Administrators' ($prepared -contains 'owner: S-1-5-32-544') ($prepared -join ' | ')
$script:copiesBefore = @(@($prepared | Where-Object { $_ -like 'left: *' }) + @(Get-LeftCopies))
$script:pendingBefore = @(Get-PendingRenames)
$script:tempRoots = @("$env:SystemRoot\Temp", $env:TEMP, (Get-LongPath $env:TEMP)) +
  @($prepared | Where-Object { $_ -like 'temp: *' } | ForEach-Object { $_.Substring(6) }) | ForEach-Object { $_.TrimEnd('\') }
$script:installRoots = @($existing, $userTarget, $adminTarget, $userLink, $adminLink)

Test-DefaultInstall
Test-ExistingFolder
Test-Junctions
Test-SingleUser

Step 'Last, one UAC prompt removes the folders the check made.'
Invoke-Elevated $cleanupBlock @($links, $folders) | ForEach-Object { Write-Host $_ }
if ($failures -gt 0) { Write-Host "$failures check(s) failed."; exit 1 }
Write-Host 'No check failed.'
exit 0
